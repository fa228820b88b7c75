#pragma once

#include <string>
#include <vector>

/// Output files written under temporary names beside their targets.
namespace platform {

/// The files of one output in the making. Each is written under a pending name in its target
/// folder ("<name>.part", else "<name>.2.part" and on) and takes its name only when the whole
/// output succeeded, so that a failed or abandoned output leaves nothing that looks finished
/// (and a file already standing under the name stays until it is replaced). A target that
/// exists and is not a regular file (a device, a FIFO, a symbolic link) and may be replaced is
/// written in place and never renamed or removed.
///
/// A pending name is one that no file had: it is created exclusively, so that no file of the
/// user's is ever written, renamed or removed as pending. Each pending file is locked while its
/// output lives and recorded in the state folder ("pending/"), so that what a crashed output
/// left behind is told from a file the user made: the next output to the same target replaces
/// such a leftover (unless the output was made with `Leftover::Kept`), and passes over any other
/// file, a live output's included, to the next pending name.
/// Thread-safety: one thread at a time; separate objects (in one process or several) may write
/// to the same targets.
class PendingFiles {
public:
    /// What a crashed output leaves for the next one to the same target.
    enum class Leftover {
        Replaceable, ///< an output that can be made again: its leftovers are replaced
        Kept,        ///< a recording that cannot: its leftovers stay for the user to rescue
    };
    /// What a file does when a file already stands under its target name as it is published.
    enum class Taken {
        Replace,  ///< the file replaces it: the caller was told that the target may be replaced
        FreeName, ///< the file takes the first free name of "<stem> (2)<ext>", "<stem> (3)<ext>"
    };

    PendingFiles() = default;
    /// Removes whatever was neither published nor discarded.
    ~PendingFiles();
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    /// How the files added from now on are recorded (`Leftover::Replaceable` at first).
    void setLeftover(Leftover leftover) { m_leftover = leftover; }
    /// The path to write under for the file that becomes `target`: a new pending file, or the
    /// target itself when it may be replaced and is not a regular file. Empty, with `errno` set,
    /// when no pending file can be created (the folder cannot be written, no free pending name).
    std::string add(const std::string& target, Taken taken = Taken::Replace);
    /// Gives every file its name, in the order they were added. False when one cannot be
    /// renamed: then every file is removed, those already renamed included.
    bool publish();
    /// Removes every file.
    void discard();
    /// The names the files of the last successful `publish` took, in the order they were added.
    const std::vector<std::string>& published() const { return m_published; }

    /// The `n`-th name (from 2) a file takes under `Taken::FreeName` when `target` is taken:
    /// "<stem> (n)<ext>" (a name's leading dot starts no extension).
    static std::string freeName(const std::string& target, int n);

private:
    struct File {
        std::string target;
        std::string temporary; // empty: written in place
        Taken taken = Taken::Replace;
        int lock = -1; // holds the pending file's lock while the output lives
    };
    void release(File& file);

    Leftover m_leftover = Leftover::Replaceable;
    std::vector<File> m_files;
    std::vector<std::string> m_published;
};

} // namespace platform

#pragma once

#include <string>
#include <vector>

/// Output files written under temporary names beside their targets.
namespace platform {

/// The files of one output in the making. Each is written under a temporary name in its target
/// folder ("<name>.part") and takes its name only when the whole output succeeded, so that a
/// failed or abandoned output leaves nothing that looks finished (and a file already standing
/// under the name stays until it is replaced). A target that exists and is not a regular file
/// (a device, a FIFO, a symbolic link) is written in place and never renamed or removed.
/// Thread-safety: one thread at a time.
class PendingFiles {
public:
    PendingFiles() = default;
    /// Removes whatever was neither published nor discarded.
    ~PendingFiles();
    PendingFiles(const PendingFiles&) = delete;
    PendingFiles& operator=(const PendingFiles&) = delete;

    /// The path to write under for the file that becomes `target`: a temporary one, or the
    /// target itself when it is not a regular file.
    std::string add(const std::string& target);
    /// Gives every file its name, in the order they were added. False when one cannot be
    /// renamed: then every file is removed, those already renamed included.
    bool publish();
    /// Removes every file.
    void discard();

private:
    struct File {
        std::string target;
        std::string temporary; // empty: written in place
    };
    std::vector<File> m_files;
};

} // namespace platform

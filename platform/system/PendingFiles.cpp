#include "platform/system/PendingFiles.h"

#include "platform/system/SystemPaths.h"

#include <QFile>

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Pending names tried for one target, and free names for one published file, before giving up.
constexpr int kPendingNames = 100;
constexpr int kFreeNames = 1000;
// A record is a path and a few numbers.
constexpr size_t kMaxRecordBytes = PATH_MAX + 256;

// What tells a pending file from a later file of the same name: where it lies and, where the
// file system keeps it, the moment it was made (an inode number alone is soon given again).
struct Identity {
    uint32_t deviceMajor = 0;
    uint32_t deviceMinor = 0;
    uint64_t inode = 0;
    int64_t bornSeconds = 0;
    uint32_t bornNanoseconds = 0;
    bool operator==(const Identity&) const = default;
};

struct Record {
    Identity identity;
    bool kept = false;
};

// Only a regular file has an identity here: nothing else was ever a pending file.
std::optional<Identity> identityOf(int directory, const char* path, int flags) {
    struct statx info {};
    if (::statx(directory, path, flags, STATX_TYPE | STATX_INO | STATX_BTIME, &info) != 0 ||
        !S_ISREG(info.stx_mode))
        return std::nullopt;
    Identity id;
    id.deviceMajor = info.stx_dev_major;
    id.deviceMinor = info.stx_dev_minor;
    id.inode = info.stx_ino;
    if (info.stx_mask & STATX_BTIME) {
        id.bornSeconds = info.stx_btime.tv_sec;
        id.bornNanoseconds = info.stx_btime.tv_nsec;
    }
    return id;
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char folder[PATH_MAX];
    if (!::getcwd(folder, sizeof folder)) return path;
    return std::string(folder) + "/" + path;
}

// One record file per pending path, named after a hash of it; the path inside tells a record
// from another whose path has the same hash.
std::string recordPath(const std::string& absolutePending) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : absolutePending) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    const std::string folder = QFile::encodeName(stateFolder()).toStdString() + "/pending";
    ::mkdir(folder.c_str(), 0700);
    char name[24];
    std::snprintf(name, sizeof name, "/%016" PRIx64, hash);
    return folder + name;
}

// A record that cannot be written only means that a leftover of this output is not recognised:
// the next output passes over it like over a file of the user's.
void writeRecord(const std::string& pending, const Identity& id, bool kept) {
    const std::string path = absolute(pending);
    std::FILE* file = std::fopen(recordPath(path).c_str(), "wb");
    if (!file) return;
    std::fprintf(file, "%s\n%d %" PRIu32 " %" PRIu32 " %" PRIu64 " %" PRId64 " %" PRIu32 "\n",
                 path.c_str(), kept ? 1 : 0, id.deviceMajor, id.deviceMinor, id.inode,
                 id.bornSeconds, id.bornNanoseconds);
    std::fclose(file);
}

std::optional<Record> readRecord(const std::string& pending) {
    const std::string path = absolute(pending);
    std::FILE* file = std::fopen(recordPath(path).c_str(), "rb");
    if (!file) return std::nullopt;
    std::string text(kMaxRecordBytes, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    const size_t end = text.find('\n');
    if (end == std::string::npos || text.compare(0, end, path) != 0) return std::nullopt;
    Record record;
    int kept = 0;
    Identity& id = record.identity;
    if (std::sscanf(text.c_str() + end + 1,
                    "%d %" SCNu32 " %" SCNu32 " %" SCNu64 " %" SCNd64 " %" SCNu32, &kept,
                    &id.deviceMajor, &id.deviceMinor, &id.inode, &id.bornSeconds,
                    &id.bornNanoseconds) != 6)
        return std::nullopt;
    record.kept = kept != 0;
    return record;
}

void removeRecord(const std::string& pending) {
    ::unlink(recordPath(absolute(pending)).c_str());
}

// The pending file of a crashed output, locked by us, or -1 when `pending` is anything else: a
// file the user made, one of a live output (its lock is held), or a recording's leftover.
int lockedLeftover(const std::string& pending) {
    const std::optional<Record> record = readRecord(pending);
    if (!record || record->kept) return -1;
    // Looked at by name first, so that a device or a FIFO under the name is never opened.
    if (identityOf(AT_FDCWD, pending.c_str(), AT_SYMLINK_NOFOLLOW) != record->identity) return -1;
    const int fd = ::open(pending.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (identityOf(fd, "", AT_EMPTY_PATH) != record->identity ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

enum class Move { Done, Taken, Failed };

// Renames `from` to `to` only when nothing stands at `to`.
Move renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return Move::Done;
    if (errno == EEXIST) return Move::Taken;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return Move::Failed;
    // A file system without that rename: a hard link is just as sure not to replace.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return Move::Done;
    }
    if (errno == EEXIST) return Move::Taken;
    // Nor hard links (FAT): look first; only a file made in between could still be replaced.
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) return Move::Taken;
    return std::rename(from.c_str(), to.c_str()) == 0 ? Move::Done : Move::Failed;
}

bool publishUnderFreeName(const std::string& from, const std::string& target, std::string& name) {
    for (int n = 1; n <= kFreeNames; ++n) {
        name = n == 1 ? target : PendingFiles::freeName(target, n);
        switch (renameWithoutReplacing(from, name)) {
        case Move::Done:
            return true;
        case Move::Taken:
            continue;
        case Move::Failed:
            return false;
        }
    }
    return false;
}

} // namespace

std::string PendingFiles::freeName(const std::string& target, int n) {
    const size_t slash = target.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = target.find_last_of('.');
    // A name's leading dot hides it; it starts no extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    const std::string stem = hasExtension ? target.substr(0, dot) : target;
    const std::string extension = hasExtension ? target.substr(dot) : std::string();
    return stem + " (" + std::to_string(n) + ")" + extension;
}

PendingFiles::~PendingFiles() {
    discard();
}

std::string PendingFiles::add(const std::string& target, Taken taken) {
    struct stat info {};
    if (taken == Taken::Replace && ::lstat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        m_files.push_back({target, {}, taken, -1});
        return target;
    }
    for (int n = 1; n <= kPendingNames; ++n) {
        const std::string pending =
            n == 1 ? target + ".part" : target + "." + std::to_string(n) + ".part";
        // Twice at most: once more after taking away a leftover of our own.
        for (int attempt = 0; attempt < 2; ++attempt) {
            const int fd = ::open(pending.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                // Locked before it is recorded, so that no one takes it for a leftover. Only
                // someone who took the new file for a leftover (an inode given again, on a file
                // system that keeps no birth time) holds the lock already: it is theirs then.
                if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                    ::close(fd);
                    break;
                }
                if (const std::optional<Identity> id = identityOf(fd, "", AT_EMPTY_PATH))
                    writeRecord(pending, *id, m_leftover == Leftover::Kept);
                m_files.push_back({target, pending, taken, fd});
                return pending;
            }
            if (errno != EEXIST) return {};
            if (attempt > 0) break;
            const int leftover = lockedLeftover(pending);
            if (leftover < 0) break;
            ::unlink(pending.c_str());
            removeRecord(pending);
            ::close(leftover);
        }
    }
    errno = EEXIST;
    return {};
}

bool PendingFiles::publish() {
    m_published.clear();
    std::vector<std::string> names;
    for (File& file : m_files) {
        std::string name = file.target;
        bool moved = true;
        if (!file.temporary.empty())
            moved = file.taken == Taken::Replace
                        ? std::rename(file.temporary.c_str(), file.target.c_str()) == 0
                        : publishUnderFreeName(file.temporary, file.target, name);
        if (moved) {
            names.push_back(std::move(name));
            continue;
        }
        // The files renamed already go (those written in place stay); the rest are pending.
        for (size_t done = 0; done < names.size(); ++done) {
            File& published = m_files[done];
            if (!published.temporary.empty()) {
                std::remove(names[done].c_str());
                removeRecord(published.temporary);
            }
            release(published);
        }
        m_files.erase(m_files.begin(), m_files.begin() + std::ptrdiff_t(names.size()));
        discard();
        return false;
    }
    for (File& file : m_files) {
        if (!file.temporary.empty()) removeRecord(file.temporary);
        release(file);
    }
    m_files.clear();
    m_published = std::move(names);
    return true;
}

void PendingFiles::discard() {
    for (File& file : m_files) {
        if (!file.temporary.empty()) {
            ::unlink(file.temporary.c_str());
            removeRecord(file.temporary);
        }
        release(file);
    }
    m_files.clear();
}

void PendingFiles::release(File& file) {
    if (file.lock >= 0) ::close(file.lock);
    file.lock = -1;
}

} // namespace platform

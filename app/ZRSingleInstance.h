#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

/// Keeps a second copy of the program from running: the lock file
/// "VESK_STARTUP_INDICATOR.lock" in the user's runtime folder, held from start-up until the
/// object goes. A copy that ended without releasing it (killed, crashed) leaves a lock that the
/// next start recognises as stale and takes over; so is a lock whose owner cannot be read
/// (empty, garbled or unreadable) unless a live process still holds it. GUI thread only.
class ZRSingleInstance {
public:
    enum class Result {
        Acquired,       ///< this copy holds the lock
        AlreadyRunning, ///< another running copy holds it
        Unavailable,    ///< the lock file cannot be made (no runtime folder, no rights)
    };

    /// The lock file's path: `folder` (the runtime folder when empty) and the fixed name.
    explicit ZRSingleInstance(const QString& folder = QString());
    /// Releases the lock when held.
    ~ZRSingleInstance();
    ZRSingleInstance(const ZRSingleInstance&) = delete;
    ZRSingleInstance& operator=(const ZRSingleInstance&) = delete;

    /// Tries once, without waiting, to take the lock.
    [[nodiscard]] Result acquire();
    /// Gives the lock up (the file goes); nothing when not held.
    void release();

    QString path() const { return m_path; }
    static QString runtimeFolder();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

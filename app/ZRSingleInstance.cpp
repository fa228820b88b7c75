#include "app/ZRSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const char kLockName[] = "VESK_STARTUP_INDICATOR.lock";

// A live holder keeps an flock on its lock file for as long as it holds it; a file nobody has
// locked that way was left by a copy that is gone, whatever it says (or fails to say) inside.
bool heldByAnyone(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    do
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace

QString ZRSingleInstance::runtimeFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

ZRSingleInstance::ZRSingleInstance(const QString& folder)
    : m_path(QDir(folder.isEmpty() ? runtimeFolder() : folder)
                 .absoluteFilePath(QLatin1String(kLockName))),
      m_lock(std::make_unique<QLockFile>(m_path)) {
    // Held for the whole run: a lock is only stale when its owner no longer runs.
    m_lock->setStaleLockTime(0);
}

ZRSingleInstance::~ZRSingleInstance() {
    release();
}

ZRSingleInstance::Result ZRSingleInstance::acquire() {
    if (m_lock->isLocked()) return Result::Acquired;
    if (m_lock->tryLock(0)) return Result::Acquired;
    // QLockFile judges a lock stale only by the owner it reads from the file, so an empty or
    // garbled lock (a copy killed while writing it, a disk that filled up) would refuse every
    // later start. Such a lock is taken over unless a live process still holds it.
    qint64 owner = 0;
    QString host, program;
    if (m_lock->error() == QLockFile::LockFailedError &&
        !m_lock->getLockInfo(&owner, &host, &program) && !heldByAnyone(m_path) &&
        m_lock->removeStaleLockFile() && m_lock->tryLock(0))
        return Result::Acquired;
    return m_lock->error() == QLockFile::LockFailedError ? Result::AlreadyRunning
                                                         : Result::Unavailable;
}

void ZRSingleInstance::release() {
    if (m_lock->isLocked()) m_lock->unlock();
}

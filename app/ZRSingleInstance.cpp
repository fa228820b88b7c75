#include "app/ZRSingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace {

const char kLockName[] = "VESK_STARTUP_INDICATOR.lock";

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
    return m_lock->error() == QLockFile::LockFailedError ? Result::AlreadyRunning
                                                         : Result::Unavailable;
}

void ZRSingleInstance::release() {
    if (m_lock->isLocked()) m_lock->unlock();
}

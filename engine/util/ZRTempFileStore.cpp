#include "engine/util/ZRTempFileStore.h"

#include "platform/system/SystemPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace {

constexpr char kStorePrefix[] = "zrt-store";
// More stores than any machine runs at once; beyond it the folder is taken to be unusable.
constexpr int kMaxStores = 4096;

QString withSlash(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith('/')) folder += '/';
    return folder;
}

QString lockPath(const QString& folder, const QString& name) {
    return folder + name + ".lock";
}

// A lock file whose process is gone is stale at once; a live owner's lock never expires.
std::unique_ptr<QLockFile> makeLock(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock;
}

// Removes the store folders under `folder` whose lock can be taken: their owner is gone (or
// died before it made its lock). A live owner's folder and every other entry stay.
void removeAbandonedStores(const QString& folder) {
    QDir dir(folder);
    const QStringList names =
        dir.entryList({QString(kStorePrefix) + '*'}, QDir::Dirs | QDir::Files | QDir::Hidden);
    for (const QString& entry : names) {
        const QString name = entry.endsWith(".lock") ? entry.chopped(5) : entry;
        if (name == entry && !QFileInfo(dir.filePath(entry)).isDir()) continue;
        auto lock = makeLock(lockPath(folder, name));
        if (!lock->tryLock(0)) continue;
        QDir(folder + name).removeRecursively();
        lock->unlock();
    }
}

} // namespace

ZRTempFile::~ZRTempFile() {
    if (stream) std::fclose(stream);
}

ZRTempFileStore::ZRTempFileStore() : ZRTempFileStore(platform::tempFolder()) {}

ZRTempFileStore::ZRTempFileStore(const QString& folder) : m_folder(withSlash(folder)) {
    QDir().mkpath(m_folder);
    removeAbandonedStores(m_folder);
}

ZRTempFileStore::~ZRTempFileStore() {
    std::lock_guard lock(m_mutex);
    releaseStoreFolder();
}

QString ZRTempFileStore::folder() const {
    std::lock_guard lock(m_mutex);
    return m_folder;
}

QString ZRTempFileStore::storeFolder() const {
    std::lock_guard lock(m_mutex);
    return m_storeFolder;
}

void ZRTempFileStore::setFolder(const QString& folder) {
    std::lock_guard lock(m_mutex);
    releaseStoreFolder();
    m_folder = withSlash(folder);
    removeAbandonedStores(m_folder);
}

// Under the mutex. The lock is taken before the folder is made, so that no other store's
// clean-up can see the folder without its owner.
bool ZRTempFileStore::acquireStoreFolder() {
    if (!m_storeFolder.isEmpty()) return true;
    for (int n = 0; n < kMaxStores; ++n) {
        const QString name = kStorePrefix + QString::number(n);
        auto lock = makeLock(lockPath(m_folder, name));
        if (!lock->tryLock(0)) {
            if (lock->error() == QLockFile::LockFailedError) continue; // a live owner's
            return false;                                              // folder unusable
        }
        QDir store(m_folder + name);
        // Left by an owner that is gone.
        if (store.exists()) store.removeRecursively();
        if (!QDir(m_folder).mkdir(name)) return false;
        m_lock = std::move(lock);
        m_storeFolder = m_folder + name + '/';
        m_counter = 0;
        return true;
    }
    return false;
}

void ZRTempFileStore::releaseStoreFolder() {
    if (m_storeFolder.isEmpty()) return;
    QDir(m_storeFolder).removeRecursively();
    m_storeFolder.clear();
    m_lock.reset(); // unlocks and removes the lock file
}

std::unique_ptr<ZRTempFile> ZRTempFileStore::newTempFile() {
    auto file = std::make_unique<ZRTempFile>();
    std::lock_guard lock(m_mutex);
    if (acquireStoreFolder())
        file->path = m_storeFolder + "zrt" + QString::number(m_counter++) + ".tmp";
    return file;
}

bool ZRTempFileStore::openTempFile(ZRTempFile& file) {
    closeTempFile(file);
    if (file.path.isEmpty()) return false;
    const QByteArray path = QFile::encodeName(file.path);
    file.stream = std::fopen(path.constData(), "r+b");
    if (file.stream)
        std::fseek(file.stream, 0, SEEK_SET);
    else
        file.stream = std::fopen(path.constData(), "w+b");
    return file.stream != nullptr;
}

void ZRTempFileStore::closeTempFile(ZRTempFile& file) {
    if (file.stream) {
        std::fclose(file.stream);
        file.stream = nullptr;
    }
}

void ZRTempFileStore::deleteTempFile(std::unique_ptr<ZRTempFile> file) {
    if (!file) return;
    closeTempFile(*file);
    if (!file->path.isEmpty()) QFile::remove(file->path);
}

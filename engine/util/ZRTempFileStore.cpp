#include "ZRTempFileStore.h"

#include "platform/system/SystemPaths.h"

#include <QDir>
#include <QFile>

namespace {
QString withSlash(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith('/')) folder += '/';
    return folder;
}
} // namespace

ZRTempFile::~ZRTempFile() {
    if (stream) std::fclose(stream);
}

ZRTempFileStore::ZRTempFileStore() : ZRTempFileStore(platform::tempFolder()) {}

ZRTempFileStore::ZRTempFileStore(const QString& folder) : m_folder(withSlash(folder)) {
    QDir().mkpath(m_folder);
    removeStaleFiles();
}

void ZRTempFileStore::setFolder(const QString& folder) {
    m_folder = withSlash(folder);
}

void ZRTempFileStore::removeStaleFiles() {
    QDir dir(m_folder);
    const QStringList stale = dir.entryList({"zrt*"}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : stale)
        dir.remove(name);
}

std::unique_ptr<ZRTempFile> ZRTempFileStore::newTempFile() {
    auto file = std::make_unique<ZRTempFile>();
    file->path = m_folder + "zrt" + QString::number(m_counter.fetch_add(1)) + ".tmp";
    return file;
}

bool ZRTempFileStore::openTempFile(ZRTempFile& file) {
    closeTempFile(file);
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
    QFile::remove(file->path);
}

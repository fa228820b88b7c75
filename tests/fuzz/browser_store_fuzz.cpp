// The media browser's folders and thumbnails come from "clipstead.ini", which may hold anything:
// any text must list its folders, give or refuse its cached pictures and survive the edits the
// page makes, without a fault or a hang (a huge "NumProfiles", a folder naming itself, values
// of any length). The text "@CLIP@" stands for a file that exists, so that cached records of a
// real clip are read too; nothing is imported.
#include "browser/ZRClipFolderStore.h"
#include "common/config/QConfig.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QString& clipPath() {
    static QTemporaryDir* dir = new QTemporaryDir;
    static const QString path = [] {
        const QString p = dir->filePath(QStringLiteral("clip.avi"));
        QFile file(p);
        if (file.open(QIODevice::WriteOnly)) file.write("clip");
        return p;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bytes.replace("@CLIP@", clipPath().toUtf8());
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    QConfig config;
    config.parseStream(&input, nullptr, false);

    ZRClipFolderStore store(&config);
    store.setThumbnailSize(QSize(4, 3));
    const QList<ZRClipFolderStore::Entry> top = store.loadFolder(QString());
    const QSet<QString> clips = store.allStoredClips();
    QImage image;
    int checked = 0;
    for (const QString& path : clips) {
        store.thumbnailFor(path, image);
        if (++checked == 64) break;
    }
    if (store.thumbnailFor(clipPath(), image) == ZRClipFolderStore::Cached::Valid &&
        image.size() != QSize(4, 3))
        std::abort();

    // The page's edits on what was read.
    for (const ZRClipFolderStore::Entry& entry : top) {
        if (entry.kind != ZRClipFolderStore::Entry::UserFolder) continue;
        store.loadFolder(entry.text);
        store.renameFolder(QString(), entry.text, entry.text + QStringLiteral(" 2"));
        store.removeFolder(entry.text + QStringLiteral(" 2"));
        break;
    }
    store.rewriteFolder(QString(), top);
    store.storeEntry(QString(), clipPath(), false);
    store.takeNewFolderNumber(QString(), QStringLiteral("New Folder"), 1);
    store.pruneThumbnails(store.allStoredClips());

    QBuffer written;
    if (!config.writeStream(&written)) std::abort();
    return 0;
}

#include "engine/fonts/ZRFontDiscovery.h"

#include "engine/api/ZRFont.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <mutex>

namespace {

QStringList fontFilesBelow(ZRFont& font, const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QFileInfo(it.next()).absoluteFilePath();
        if (font.isFont(QFile::encodeName(path).constData()) == 0) files << path;
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

void discoverFonts(ZRFont& font, const QStringList& folders, ZRStringMap<ZRFontEntry>& registry,
                   const std::function<void(const char*, const char*)>& message) {
    const auto add = [&](const QString& path, int faceIndex, const char* faceName) {
        auto* entry = new ZRFontEntry;
        entry->fileName = path.toUtf8().constData();
        entry->faceIndex = faceIndex;
        registry.insert(faceName, entry);
        if (message) message("Font", faceName);
    };

    std::lock_guard fontLock(font);
    ZRFontData data;
    data.size = 40;
    for (const QString& folder : folders) {
        for (const QString& path : fontFilesBelow(font, folder)) {
            data.faceName = path;
            data.faceIndex = 0;
            if (font.openFont(&data) != 0) continue;
            const QByteArray fileName = QFileInfo(path).fileName().toUtf8();
            const auto faceName = [&]() -> QByteArray {
                return font.name()[0] ? QByteArray(font.name()) : fileName;
            };
            const int faces = font.numFaces();
            if (faces < 2) {
                add(path, 0, faceName().constData());
                continue;
            }
            for (int index = 0; index < faces; ++index) {
                data.faceIndex = index;
                if (font.openFont(&data) == 0) add(path, index, faceName().constData());
            }
        }
    }
}

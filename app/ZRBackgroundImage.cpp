#include "app/ZRBackgroundImage.h"

#include "classes/skins/PSDImage.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/text/ZRTextConversion.h"

#include <QDir>
#include <QFileInfo>

namespace backgroundimage {

QString resolve(const QString& path) {
    if (path.isEmpty() || !QDir::isRelativePath(QDir::fromNativeSeparators(path))) return path;
    return skinBaseFolder() + QLatin1Char('/') + QDir::fromNativeSeparators(path);
}

QImage load(const QString& path) {
    const QString file = resolve(path);
    if (file.isEmpty() || !QFileInfo(file).isFile()) return QImage();
    if (file.endsWith(QLatin1String(".psd"), Qt::CaseInsensitive)) {
        // The loader takes 8-bit paths of at most 520 bytes; a longer one cannot name the file.
        char ansi[520];
        toAnsiBuffer(ansi, sizeof ansi, file);
        if (QString::fromLocal8Bit(ansi) != file) return QImage();
        const std::unique_ptr<QDict<PSDLayer>> layers = LoadPSDImage(ansi, kPSDApplyLayerOpacity);
        const PSDLayer* merged = layers ? layers->find(kMergedLayerName) : nullptr;
        if (!merged || merged->image.isNull()) return QImage();
        return merged->image.convertToFormat(QImage::Format_ARGB32);
    }
    const QImage image(file);
    return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace backgroundimage

#include "app/ZRSettingsFile.h"

#include "common/config/QConfig.h"
#include "platform/system/SystemPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The desktop's own folder of that kind when it exists; else `subFolder` made in the documents
// folder; else the home folder. The desktop's user-dirs file is never written.
QString defaultFolder(QStandardPaths::StandardLocation location, const QString& subFolder) {
    const QString own = QStandardPaths::writableLocation(location);
    if (!own.isEmpty() && QFileInfo(own).isDir()) return own;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty()) {
        const QString made = documents + QLatin1Char('/') + subFolder;
        if (QDir().mkpath(made)) return made;
    }
    return QDir::homePath();
}

void fillFolder(QConfig& settings, const char* key, QStandardPaths::StandardLocation location,
                const QString& subFolder) {
    if (settings.hasKey(QLatin1String(key))) return;
    settings.writeEntry(QLatin1String(key),
                        QDir::toNativeSeparators(defaultFolder(location, subFolder)));
}

} // namespace

namespace settingsfile {

QString path() {
    return platform::stateFolder() + QLatin1Char('/') + QLatin1String(kFileName);
}

QConfig* open(const QString& filePath) {
    if (!QFileInfo::exists(filePath)) {
        QFile file(filePath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return nullptr;
        file.write(QByteArray(QConfig::kProgramHeaderLine) + "\n[" + kGeneral + "]\n");
    }
    return new QConfig(QConfig::Flavour::Program, filePath);
}

void fillDefaultFolders(QConfig& settings) {
    settings.setGroup(QLatin1String(kGeneral));
    fillFolder(settings, kMediaFolder, QStandardPaths::MoviesLocation, QStringLiteral("My Videos"));
    fillFolder(settings, kSnapshotFolder, QStandardPaths::PicturesLocation,
               QStringLiteral("My Pictures"));
}

bool readBool(const QConfig& settings, const char* key, bool fallback) {
    const QString name = QLatin1String(key);
    return settings.hasKey(name) ? settings.readBoolEntry(name, fallback) : fallback;
}

int readInt(const QConfig& settings, const char* key, int fallback) {
    const QString name = QLatin1String(key);
    return settings.hasKey(name) ? settings.readNumEntry(name, fallback) : fallback;
}

QString readString(const QConfig& settings, const char* key, const QString& fallback) {
    const QString name = QLatin1String(key);
    return settings.hasKey(name) ? settings.readEntry(name, fallback) : fallback;
}

int splitMenuId(int kilobytes) {
    for (const SplitSize& size : kSplitSizes)
        if (size.kilobytes == kilobytes) return size.menuId;
    return kSplit2GBItem;
}

int splitKilobytes(int menuId) {
    for (const SplitSize& size : kSplitSizes)
        if (size.menuId == menuId) return size.kilobytes;
    return 0;
}

} // namespace settingsfile

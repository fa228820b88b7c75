#include "classes/helpers/ZRFolderHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QFileInfoList plainFiles(const QString& folder, const QString& filter) {
    QDir dir(folder, filter, QDir::IgnoreCase, QDir::Files | QDir::Hidden | QDir::System);
    return dir.exists() ? dir.entryInfoList() : QFileInfoList();
}

} // namespace

QString filePathPart(const QString& path, const QString& suffix) {
    const QFileInfo info(path);
    QString folder = info.absolutePath();
    if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('/');
    // The whole name up to its last dot: two clips "a.1.avi" and "a.2.avi" must not share one
    // companion file.
    return folder + info.completeBaseName() + QLatin1Char('.') + suffix;
}

bool listFolderEntries(const QString& folder, const QString& filter) {
    const QDir dir(folder, filter, QDir::IgnoreCase,
                   QDir::Dirs | QDir::Files | QDir::Drives | QDir::NoDotAndDotDot);
    return dir.exists() && !dir.entryList().isEmpty();
}

bool removeFolderFiles(const QString& folder, const QString& filter) {
    for (const QFileInfo& file : plainFiles(folder, filter))
        QFile::remove(file.absoluteFilePath());
    return true;
}

bool removeEmptyFiles(const QString& folder) {
    for (const QFileInfo& file : plainFiles(folder, QStringLiteral("*"))) {
        if (file.size() == 0) QFile::remove(file.absoluteFilePath());
    }
    return true;
}

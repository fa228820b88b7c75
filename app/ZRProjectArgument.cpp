#include "app/ZRProjectArgument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

QString& storedProject() {
    static QString project;
    return project;
}

} // namespace

QString projectArgument(const QStringList& arguments, const QString& startFolder) {
    const QDir start(startFolder);
    for (const QString& argument : arguments) {
        if (argument.isEmpty()) continue;
        const QFileInfo file(start.absoluteFilePath(argument));
        if (file.suffix().compare(QLatin1String("zrs"), Qt::CaseInsensitive) != 0) continue;
        if (file.isFile()) return QDir::cleanPath(file.absoluteFilePath());
    }
    return QString();
}

QString projectArgument(const QList<QByteArray>& arguments, const QString& startFolder,
                        bool* undecodable) {
    *undecodable = false;
    const QDir start(startFolder);
    for (const QByteArray& raw : arguments) {
        if (raw.isEmpty()) continue;
        const QString decoded = QFile::decodeName(raw);
        const QFileInfo file(start.absoluteFilePath(decoded));
        if (file.suffix().compare(QLatin1String("zrs"), Qt::CaseInsensitive) != 0) continue;
        if (file.isFile()) return QDir::cleanPath(file.absoluteFilePath());
        if (QFile::encodeName(decoded) == raw) continue;
        // The bytes were replaced in decoding: only the bytes themselves still reach the file.
        const QByteArray bytes =
            raw.startsWith('/') ? raw : QFile::encodeName(start.absolutePath()) + '/' + raw;
        struct stat info {};
        if (::stat(bytes.constData(), &info) == 0 && S_ISREG(info.st_mode)) {
            *undecodable = true;
            return QDir::cleanPath(file.absoluteFilePath());
        }
    }
    return QString();
}

const QString& commandLineProject() {
    return storedProject();
}

void setCommandLineProject(const QString& path) {
    storedProject() = path;
}

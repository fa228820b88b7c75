#include "app/ZRProjectArgument.h"

#include <QDir>
#include <QFileInfo>

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

const QString& commandLineProject() {
    return storedProject();
}

void setCommandLineProject(const QString& path) {
    storedProject() = path;
}

#include "engine/fonts/ZRFontFolders.h"

#include "engine/fonts/ZRFontAliases.h"
#include "platform/system/SystemPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

#include <cstring>
#include <mutex>

namespace fonts {

QString programFontFolder() {
    static const QString folder = [] {
        static const char anchor = 0;
        const QString library = platform::folderOfAddress(&anchor);
        return library.isEmpty() ? QStringLiteral("fonts") : library + QStringLiteral("fonts");
    }();
    return folder;
}

QStringList systemFontFolders() {
    QStringList candidates;
    const QStringList data = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty()) candidates << data.front() + QStringLiteral("/fonts");
    candidates << QDir::homePath() + QStringLiteral("/.fonts");
    for (qsizetype i = 1; i < data.size(); ++i)
        candidates << data[i] + QStringLiteral("/fonts");

    QStringList folders;
    for (const QString& folder : candidates) {
        const QString clean = QDir::cleanPath(folder);
        if (QFileInfo(clean).isDir() && !folders.contains(clean)) folders << clean;
    }
    return folders;
}

QStringList discoveryFolders(const QString& baseFolder) {
    QStringList folders{baseFolder.isEmpty()
                            ? programFontFolder()
                            : QDir::cleanPath(baseFolder + QStringLiteral("/fonts"))};
    for (const QString& folder : systemFontFolders()) {
        if (!folders.contains(folder)) folders << folder;
    }
    return folders;
}

QString systemFontFolder() {
    // Fixed for the life of the process, like the index below.
    static const QString folder = [] {
        const QStringList data =
            QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
        for (qsizetype i = 1; i < data.size(); ++i) {
            const QString candidate = QDir::cleanPath(data[i] + QStringLiteral("/fonts"));
            if (QFileInfo(candidate).isDir()) return candidate;
        }
        return QStringLiteral("/usr/share/fonts");
    }();
    return folder;
}

QString findInSystemFolders(const QString& fileName) {
    static std::mutex mutex;
    static QHash<QString, QString>* index = nullptr;
    std::lock_guard lock(mutex);
    if (!index) {
        index = new QHash<QString, QString>;
        for (const QString& folder : systemFontFolders()) {
            QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo info(it.next());
                if (!index->contains(info.fileName()))
                    index->insert(info.fileName(), info.absoluteFilePath());
            }
        }
    }
    return index->value(fileName);
}

QStringList fontFileCandidates(const QString& faceName) {
    QStringList found;
    const auto add = [&found](const QString& path) {
        if (!path.isEmpty() && !found.contains(path) && QFileInfo(path).isFile()) found << path;
    };
    if (faceName.isEmpty()) return found;
    if (QDir::isAbsolutePath(faceName)) {
        add(QDir::cleanPath(faceName));
        return found;
    }
    QStringList names{faceName};
    if (const char* alias = aliasFileName(faceName.toUtf8().toStdString()))
        names << QString::fromUtf8(alias);
    for (const QString& name : names) {
        add(QDir::cleanPath(programFontFolder() + '/' + name));
        add(QDir::cleanPath(systemFontFolder() + '/' + name));
        add(findInSystemFolders(name));
    }
    return found;
}

void copyPath(char* out, size_t outSize, const QString& folder, const char* fileName) {
    if (!out || outSize == 0) return;
    QByteArray path = folder.toUtf8();
    if (fileName) {
        path += '/';
        path += fileName;
    }
    if (size_t(path.size()) >= outSize) {
        out[0] = '\0';
        return;
    }
    std::memcpy(out, path.constData(), size_t(path.size()) + 1);
}

} // namespace fonts

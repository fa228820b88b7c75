#include "capture/ZRImportViewFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace capturefiles {

namespace {

const char* const kCaptureExtensions[] = {"avi", "ovl", "mvl", "mpg"};
const char* const kSegmentExtensions[] = {"avi", "mpg"};

bool isCaptureExtension(const QString& ext, bool segmentsOnly) {
    if (segmentsOnly) {
        for (const char* e : kSegmentExtensions)
            if (ext == QLatin1String(e)) return true;
        return false;
    }
    for (const char* e : kCaptureExtensions)
        if (ext == QLatin1String(e)) return true;
    return false;
}

// Every entry of the folder, hidden ones too: a name in use is one the capture writer would
// collide with, whatever the entry is.
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

QString extensionForClass(int deviceClass) {
    switch (deviceClass) {
    case 0:
    case 1:
    case 16:
        return QStringLiteral("avi");
    case 2:
        return QStringLiteral("ovl");
    case 4:
        return QStringLiteral("mvl");
    default:
        return QStringLiteral("ovl");
    }
}

QString dialogFilterForClass(int deviceClass) {
    switch (deviceClass) {
    case 0:
        return QStringLiteral("Video files (*.avi *.mpg *.ovl *.mvl)");
    case 1:
    case 16:
        return QStringLiteral("AVI files (*.avi)");
    case 2:
        return QStringLiteral("DV AVI files (*.ovl)");
    case 4:
        return QStringLiteral("MPEG1/2 files (*.mvl)");
    default:
        return QStringLiteral("DV AVI or MPEG1/2 files (*.ovl *.mvl)");
    }
}

bool acceptsBaseName(const QString& name) {
    if (name.isEmpty()) return false;
    for (QChar c : name) {
        if (c == u'*' || c == u'?' || c == u':' || c == u'.' || c == u'\\' || c == u'/')
            return false;
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    }
    return true;
}

QString withoutCaptureExtension(const QString& text) {
    static const char* const kCut[] = {".avi", ".ovl", ".mpg", ".mpeg", ".mvl"};
    const QString lower = text.toLower();
    for (const char* e : kCut)
        if (lower.endsWith(QLatin1String(e))) return text.left(text.lastIndexOf(u'.'));
    return text;
}

bool nameInUse(const QString& folder, const QString& base) {
    if (base.isEmpty()) return false;
    for (const QString& entry : entries(folder)) {
        if (!entry.startsWith(base)) continue;
        const qsizetype n = base.size();
        if (entry.size() > n && entry[n] == u'.') return true;
        if (entry.size() > n + 2 && entry[n + 2] == u'.') return true;
    }
    return false;
}

QString nextFreeName(const QString& folder, const QString& base) {
    QString stem = base;
    int counter = 0;
    if (stem.size() >= 4) {
        const QString tail = stem.right(4);
        bool digits = true;
        for (QChar c : tail)
            digits = digits && c >= u'0' && c <= u'9';
        if (digits) {
            counter = tail.toInt();
            stem.chop(4);
        }
    }
    // Each wrap appends one "a", so the loop ends once a stem is reached that the folder has
    // never seen; a folder holds finitely many names.
    for (;;) {
        if (++counter == 10000) {
            counter = 0;
            stem += u'a';
        }
        const QString candidate = stem + QStringLiteral("%1").arg(counter, 4, 10, QChar(u'0'));
        if (!nameInUse(folder, candidate)) return candidate;
    }
}

int removeCaptureFiles(const QString& folder, const QString& base) {
    if (base.isEmpty()) return 0;
    const QDir dir(folder);
    int removed = 0;
    for (const QString& entry : entries(folder)) {
        if (!entry.startsWith(base)) continue;
        const QString rest = entry.mid(base.size());
        bool ours = false;
        if (rest.startsWith(u'.')) {
            ours = isCaptureExtension(rest.mid(1), false);
        } else if (rest.size() > 3 && rest[0].isDigit() && rest[1].isDigit() && rest[2] == u'.') {
            ours = isCaptureExtension(rest.mid(3), true);
        }
        if (!ours) continue;
        const QString path = dir.filePath(entry);
        const QFileInfo info(path);
        if (info.isFile() && !info.isSymLink() && QFile::remove(path)) ++removed;
    }
    return removed;
}

int removeEmptyCaptureFiles(const QString& folder) {
    if (folder.isEmpty()) return 0;
    const QDir dir(folder);
    int removed = 0;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (info.isSymLink() || info.size() != 0) continue;
        if (!isCaptureExtension(info.suffix(), false)) continue;
        if (QFile::remove(info.absoluteFilePath())) ++removed;
    }
    return removed;
}

} // namespace capturefiles

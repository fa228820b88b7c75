#include "app/ZRLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {

ZRLauncher*& replacementLauncher() {
    static ZRLauncher* replacement = nullptr;
    return replacement;
}

} // namespace

ZRLauncher::~ZRLauncher() = default;

bool ZRLauncher::openUrl(const QUrl& address) {
    if (!address.isValid()) return false;
    return QDesktopServices::openUrl(address);
}

bool ZRLauncher::openFile(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
}

bool ZRLauncher::startDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder) {
    if (program.isEmpty()) return false;
    return QProcess::startDetached(program, arguments, workingFolder);
}

ZRLauncher& ZRLauncher::current() {
    static ZRLauncher desktop;
    ZRLauncher* replacement = replacementLauncher();
    return replacement ? *replacement : desktop;
}

void ZRLauncher::setCurrent(ZRLauncher* replacement) {
    replacementLauncher() = replacement;
}

#include "platform/system/SystemPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <dlfcn.h>

namespace platform {

QString stateFolder() {
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/clipstead";
    QDir().mkpath(folder);
    return folder;
}

QString tempFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           "/clipstead/temp";
}

QString folderOfAddress(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
    QString folder = QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
    if (!folder.endsWith('/')) folder += '/';
    return folder;
}

} // namespace platform

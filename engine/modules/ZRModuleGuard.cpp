#include "engine/modules/ZRModuleGuard.h"

#include "engine/base/ZRHostCallbacks.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>

void zrReportModuleException(const ZRHostCallbacks* host, const char* source, long line,
                             const char* operation, const char* module) {
    char text[512];
    if (module)
        std::snprintf(text, sizeof text, "%s(%ld): Exception in '%s', module '%s'\n",
                      source ? source : "", line, operation ? operation : "", module);
    else
        std::snprintf(text, sizeof text, "%s(%ld): Exception in '%s'\n", source ? source : "", line,
                      operation ? operation : "");
    qWarning("%s", QByteArray(text).trimmed().constData());
    if (host) host->debug(text);
}

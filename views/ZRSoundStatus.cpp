#include "views/ZRSoundStatus.h"

#include "editor/ZRAppState.h"

#include <QDebug>
#include <QObject>
#include <QString>

void zrReportSilentPreview(const QString& reason) {
    static bool told = false;
    if (told) return;
    told = true;
    const QString text =
        QObject::tr("No sound device: preview plays without sound (%1)").arg(reason);
    qWarning("%s", qPrintable(text));
    if (ZRAppState::Hub* hub = appState().hub) hub->message(text, 5000);
}

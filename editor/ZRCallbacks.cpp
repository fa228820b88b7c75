#include "editor/ZRCallbacks.h"

#include "editor/ZRAppState.h"
#include "editor/ZREditorData.h"
#include "editor/ZREngineEvents.h"
#include "editor/ZRFrameRelay.h"
#include "engine/api/IZRTimeline.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QWidget>
#include <QtDebug>

#include <functional>
#include <utility>

namespace {

// Debug traces, off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(lcEngine, "clipstead.engine", QtInfoMsg)

// The splash and how to show a line on it; touched on the GUI thread only.
struct SplashScreen {
    QPointer<QObject> owner;
    std::function<void(const QString&)> show;
};

SplashScreen& splashScreen() {
    static SplashScreen splash;
    return splash;
}

QString tr(const char* text) {
    return QCoreApplication::translate("ZRCallbacks", text);
}

IZRObjectFactory* processFactory() {
    IZRTimeline* timeline = appState().timeline;
    return timeline ? timeline->factory() : nullptr;
}

} // namespace

void fillCallbacks(IZRCallbacks& table) {
    table = IZRCallbacks{};
    table.message = showEngineMessage;
    table.progress = reportExportProgress;
    table.frameRendered = postFrameRendered;
    table.debug = printEngineDebug;
    table.deleteUserData = deleteObjectUserData;
    table.setAppConfigString = parseEditorData;
    table.appConfigString = writeEditorData;
    table.event = postEngineEvent;
}

void setSplashScreen(QObject* splash, std::function<void(const QString&)> show) {
    SplashScreen& current = splashScreen();
    current.owner = splash;
    current.show = splash ? std::move(show) : nullptr;
}

void showEngineMessage(const char* kind, const char* text) {
    const SplashScreen& splash = splashScreen();
    // The owner is watched: a splash that is gone takes no more lines.
    if (!splash.owner || !splash.show) return;
    const QString message = QString::fromUtf8(kind ? kind : "") + QLatin1String(": ") +
                            QString::fromUtf8(text ? text : "");
    splash.show(message);
}

bool reportExportProgress(int frame, int, IZRPos* position, bool recompressing) {
    ZRAppState& state = appState();
    const QString text =
        tr("Exporting Frame") + QLatin1Char(' ') + QString::number(frame) + tr(", Position:") +
        QLatin1Char(' ') + QString::fromUtf8(position ? position->toText() : "") +
        tr(", Recompressing:") + QLatin1Char(' ') + (recompressing ? tr("Yes") : tr("No"));
    if (state.hub) {
        state.hub->message(text, 2000);
        state.hub->exportProgress(position, recompressing);
    }
    return !state.stopRequested.load();
}

void postFrameRendered(IZRPos* position) {
    ZRFrameRelay::frameRendered(position);
}

void printEngineDebug(const char* text) {
    qCDebug(lcEngine, "%s", text ? text : "");
}

void deleteObjectUserData(intptr_t value) {
    editordata::release(processFactory(), value);
}

void parseEditorData(IZRObject* object, const char* text) {
    editordata::parse(appState().timeline, object, text);
}

const char* writeEditorData(IZRObject* object) {
    // The engine copies the text at once; one buffer serves every call.
    static QByteArray buffer;
    buffer = editordata::write(appState().timeline, object);
    return buffer.isNull() ? nullptr : buffer.constData();
}

void postEngineEvent(int code, const char* text) {
    if (code == kRendererHaltedCode) {
        ZRFrameRelay::rendererHalted();
    } else if (code == kLoadFailedCode) {
        QWidget* window = appState().mainWindow.data();
        if (window)
            QCoreApplication::postEvent(
                window, new ZRLoadFailedEvent(text ? QString::fromUtf8(text) : QString()));
    }
}

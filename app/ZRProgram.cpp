#include "ZRProgram.h"

#include "IZRTimeline.h"
#include "ZRAppState.h"
#include "ZRCallbacks.h"
#include "ZRFrameRelay.h"
#include "ZRSBMainWindow.h"
#include "ZRVeskSplash.h"
#include "skins/ZRSkinPreload.h"

#include <QApplication>

#include <memory>

int runClipstead(int argc, char** argv) {
    QApplication app(argc, argv);
    preloadSkins();
    // The splash shows the engine's loading messages while the timeline is made.
    auto* splash =
        new ZRVeskSplash(skinBaseFolder() + QStringLiteral("/skins/default/zrsplash.bmp"));
    ZRVeskSplash::publish(splash);
    splash->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // The engine keeps the table for the timeline's life.
    static IZRCallbacks callbacks;
    fillCallbacks(callbacks);
    auto relay = std::make_unique<ZRFrameRelay>();
    IZRTimeline* timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 0);
    if (!timeline) {
        delete ZRVeskSplash::current();
        return 1;
    }
    ZRAppState& state = appState();
    state.timeline = timeline;
    int result = 0;
    {
        ZRSBMainWindow window;
        window.show();
        // The main window takes over from the splash once it is up.
        delete ZRVeskSplash::current();
        result = app.exec();
    }
    // Notices of the renderer's last frames are dropped from here on.
    relay.reset();
    // The engine releases every object's user data through the state's timeline while it goes.
    IZRDeleteTimelineInstance(timeline);
    state.timeline = nullptr;
    releaseSkins();
    return result;
}

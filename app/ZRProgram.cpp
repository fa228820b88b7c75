#include "ZRProgram.h"

#include "IZRTimeline.h"
#include "ZRAppState.h"
#include "ZRCallbacks.h"
#include "ZRFrameRelay.h"
#include "ZRSBMainWindow.h"

#include <QApplication>

#include <memory>

int runClipstead(int argc, char** argv) {
    QApplication app(argc, argv);
    // The engine keeps the table for the timeline's life.
    static IZRCallbacks callbacks;
    fillCallbacks(callbacks);
    auto relay = std::make_unique<ZRFrameRelay>();
    IZRTimeline* timeline = IZRCreateTimelineInstance(&callbacks, nullptr, 0);
    if (!timeline) return 1;
    ZRAppState& state = appState();
    state.timeline = timeline;
    int result = 0;
    {
        ZRSBMainWindow window;
        window.show();
        result = app.exec();
    }
    // Notices of the renderer's last frames are dropped from here on.
    relay.reset();
    // The engine releases every object's user data through the state's timeline while it goes.
    IZRDeleteTimelineInstance(timeline);
    state.timeline = nullptr;
    return result;
}

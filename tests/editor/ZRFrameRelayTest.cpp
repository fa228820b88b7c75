#include "editor/ZRFrameRelay.h"
#include "editor/ZREngineEvents.h"
#include "tests/editor/AppFixture.h"

#include "engine/base/ZRPos.h"

#include <atomic>
#include <memory>
#include <thread>

namespace {

constexpr int kNotices = 10000;
constexpr double kRate = 25.0;

// A view that checks each notice as it comes.
struct View {
    std::unique_ptr<RecordingWidget> widget = std::make_unique<RecordingWidget>();
    int received = 0;
    int last = -1;
    bool faults = false;

    View() {
        widget->onEngineEvent = [this](QEvent* e) {
            const ZRFramePosition p = static_cast<ZRFrameRenderedEvent*>(e)->position();
            // Positions arrive as sent, in order, and only while the view is shown.
            if (e->type() != ZRFrameRenderedEvent::kType || p.rate != kRate || p.frames <= last ||
                p.frames >= kNotices || !widget->isVisible())
                faults = true;
            last = p.frames;
            ++received;
        };
        widget->resize(40, 30);
    }
};

TEST(FrameRelay, NoticesFromTheRendererReachOnlyShownViews) {
    testsupport::guiApplication();
    View storyboard, timelineView;
    ZRAppState& state = appState();
    state.storyboard = storyboard.widget.get();
    state.timelineView = timelineView.widget.get();
    auto relay = std::make_unique<ZRFrameRelay>();

    // The renderer sends four quarters; between them the GUI thread changes the views: both
    // hidden, both shown, the storyboard hidden, the timeline view deleted. Notices sent before a
    // change may still be on their way when it happens.
    constexpr int kQuarter = kNotices / 4;
    std::atomic<int> quartersSent{0};
    std::atomic<int> step{0};
    std::thread renderer([&] {
        for (int quarter = 0; quarter < 4; ++quarter) {
            while (step.load() < quarter)
                std::this_thread::yield();
            for (int i = quarter * kQuarter; i < (quarter + 1) * kQuarter; ++i) {
                ZRPos position(0, 0, 0, 0, kRate);
                position.setFrames(i);
                ZRFrameRelay::frameRendered(&position);
            }
            quartersSent = quarter + 1;
        }
    });
    int storyboardAtHide = -1;
    while (quartersSent.load() < 4) {
        QCoreApplication::processEvents();
        const int sent = quartersSent.load();
        if (step == 0 && sent == 1) {
            storyboard.widget->show();
            timelineView.widget->show();
            step = 1;
        } else if (step == 1 && sent == 2 && storyboard.received > 0 && timelineView.received > 0) {
            storyboard.widget->hide();
            storyboardAtHide = storyboard.received;
            step = 2;
        } else if (step == 2 && sent == 3) {
            timelineView.widget.reset();
            step = 3;
        }
    }
    renderer.join();
    QCoreApplication::processEvents();
    const int storyboardCount = storyboard.received;

    EXPECT_FALSE(storyboard.faults);
    EXPECT_FALSE(timelineView.faults);
    EXPECT_GT(storyboard.received, 0);
    EXPECT_EQ(storyboard.received, storyboardAtHide);
    EXPECT_GT(timelineView.received, 0);
    EXPECT_EQ(state.timelineView, nullptr);

    // After shut-down, later notices are dropped.
    storyboard.widget->show();
    relay.reset();
    ZRPos late(0, 0, 1, 0, kRate);
    ZRFrameRelay::frameRendered(&late);
    ZRFrameRelay::rendererHalted();
    QCoreApplication::processEvents();
    EXPECT_EQ(storyboard.received, storyboardCount);
    state.storyboard = nullptr;
}

TEST(FrameRelay, HiddenViewsGetNothing) {
    testsupport::guiApplication();
    View storyboard;
    appState().storyboard = storyboard.widget.get();
    ZRFrameRelay relay;
    ZRPos position(0, 0, 0, 3, kRate);
    ZRFrameRelay::frameRendered(&position);
    ZRFrameRelay::frameRendered(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(storyboard.received, 0);
    storyboard.widget->show();
    ZRFrameRelay::frameRendered(&position);
    QCoreApplication::processEvents();
    EXPECT_EQ(storyboard.received, 1);
    EXPECT_EQ(storyboard.last, 3);
    appState().storyboard = nullptr;
}

} // namespace

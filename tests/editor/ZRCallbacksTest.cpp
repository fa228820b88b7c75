#include "editor/ZREngineEvents.h"
#include "editor/ZRFrameRelay.h"
#include "tests/editor/AppFixture.h"

#include "engine/base/ZRPos.h"

#include <QLoggingCategory>
#include <QStatusBar>
#include <QtGlobal>

#include <memory>

namespace {

class CallbacksTest : public AppTest {};

TEST_F(CallbacksTest, FillsTheProgramsEntriesOnly) {
    EXPECT_NE(callbacks.message, nullptr);
    EXPECT_NE(callbacks.progress, nullptr);
    EXPECT_NE(callbacks.frameRendered, nullptr);
    EXPECT_NE(callbacks.debug, nullptr);
    EXPECT_EQ(callbacks.scriptOutput, nullptr);
    EXPECT_EQ(callbacks.objectInserted, nullptr);
    EXPECT_EQ(callbacks.createUserData, nullptr);
    EXPECT_NE(callbacks.deleteUserData, nullptr);
    EXPECT_EQ(callbacks.scriptInfo, nullptr);
    EXPECT_NE(callbacks.setAppConfigString, nullptr);
    EXPECT_NE(callbacks.appConfigString, nullptr);
    EXPECT_NE(callbacks.event, nullptr);
}

TEST_F(CallbacksTest, ProgressReportsAndStopsOnRequest) {
    FakeHub hub;
    appState().hub = &hub;
    // The produce page (behind the window) asks for the stop at its second notice.
    hub.onProgress = [&hub] {
        if (hub.progressCalls == 2) appState().stopRequested = true;
    };
    ZRPos at(0, 0, 1, 2, 25.0);
    EXPECT_TRUE(callbacks.progress(7, 100, &at, true));
    EXPECT_FALSE(callbacks.progress(8, 100, &at, false));
    EXPECT_FALSE(callbacks.progress(9, 100, &at, false));
    EXPECT_EQ(hub.progressCalls, 3);
    ASSERT_EQ(hub.messages.size(), 3);
    EXPECT_EQ(hub.messages[0].first,
              QString("Exporting Frame 7, Position: %1, Recompressing: Yes").arg(at.toText()));
    EXPECT_EQ(hub.messages[0].second, 2000);
    EXPECT_TRUE(hub.messages[1].first.endsWith("Recompressing: No"));
    // Without a window the answer is the flag alone.
    appState().hub = nullptr;
    EXPECT_FALSE(callbacks.progress(10, 100, nullptr, false));
    appState().stopRequested = false;
    EXPECT_TRUE(callbacks.progress(10, 100, nullptr, false));
}

QString gLastDebug;

// The engine's debug text is a trace: printed verbatim, only when its category is turned on.
TEST_F(CallbacksTest, DebugTextIsPrintedVerbatim) {
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { gLastDebug = text; });
    gLastDebug.clear();
    callbacks.debug("off by default");
    EXPECT_EQ(gLastDebug, QString());
    QLoggingCategory::setFilterRules(QStringLiteral("clipstead.engine.debug=true"));
    callbacks.debug("100%s%n.avi");
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    EXPECT_EQ(gLastDebug, "100%s%n.avi");
}

TEST_F(CallbacksTest, EngineMessagesGoToTheSplashWhileItLives) {
    auto splash = std::make_unique<QStatusBar>();
    setSplashScreen(splash.get(),
                    [bar = splash.get()](const QString& text) { bar->showMessage(text); });
    callbacks.message("Font", "DejaVu Sans");
    EXPECT_EQ(splash->currentMessage(), "Font: DejaVu Sans");
    callbacks.message("Video Effect", nullptr);
    EXPECT_EQ(splash->currentMessage(), "Video Effect: ");
    splash.reset();
    callbacks.message("Transition", "Wipe");
    setSplashScreen(nullptr, nullptr);
}

TEST_F(CallbacksTest, EngineEventsReachTheMainWindow) {
    RecordingWidget window;
    QString failedText = "unset";
    window.onEngineEvent = [&](QEvent* e) {
        if (e->type() == ZRLoadFailedEvent::kType)
            failedText = static_cast<ZRLoadFailedEvent*>(e)->text();
    };
    appState().mainWindow = &window;
    for (int code : {0, 4999, 5002, 3000, -1})
        callbacks.event(code, "x");
    // Without a relay the renderer's halt is dropped.
    callbacks.event(kRendererHaltedCode, nullptr);
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.types.isEmpty());

    callbacks.event(kLoadFailedCode, "missing.avi");
    QCoreApplication::processEvents();
    EXPECT_EQ(window.types, QVector<int>{ZRLoadFailedEvent::kType});
    EXPECT_EQ(failedText, "missing.avi");
    callbacks.event(kLoadFailedCode, nullptr);
    QCoreApplication::processEvents();
    EXPECT_TRUE(failedText.isNull());

    window.types.clear();
    {
        ZRFrameRelay relay;
        callbacks.event(kRendererHaltedCode, "ignored");
        callbacks.event(kRendererHaltedCode, nullptr);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(window.types, QVector<int>{ZRRendererHaltedEvent::kType});
}

} // namespace

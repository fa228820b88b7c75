#include "views/ZRSBPreview.h"
#include "capture/ZRDSFilePreview.h"
#include "classes/widgets/ZRSBText.h"
#include "classes/widgets/ZRTCWidget.h"
#include "editor/ZRVeskEditor.h"
#include "platform/playback/ZRNullOutput.h"
#include "platform/playback/ZRPlaybackPipeline.h"
#include "platform/playback/ZRPreviewOutput.h"
#include "platform/playback/ZRVideoSurface.h"
#include "tests/platform/playback/TestClip.h"
#include "tests/views/ViewsFixture.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreviewFrame.h"
#include "views/ZRSliderEvent.h"
#include "views/ZRTransportButtons.h"

#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace viewstest;

namespace {

constexpr ZRMediaTime kSecond = 10000000;

void mouse(QWidget* w, QEvent::Type type, QPoint at) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void drag(QWidget* w, QPoint from, int dx) {
    mouse(w, QEvent::MouseButtonPress, from);
    mouse(w, QEvent::MouseMove, from + QPoint(dx, 0));
    mouse(w, QEvent::MouseButtonRelease, from + QPoint(dx, 0));
}

int pauseSetting(IZRTimeline* timeline) {
    int value = -1;
    timeline->settings()->getIntSetting("Pause Background Rendering", &value);
    return value;
}

/// A player in its frame, with the main window's slider, buttons and file player, wired as the
/// window wires them, over a project of five two-second counting clips (10 s), playing through
/// the null output on the test's clock.
class ZRSBPreviewTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        zrSetPreviewOutputFactory([this] { return std::make_unique<ZRNullOutput>(&clock); });
        timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
        editor = std::make_unique<ZRVeskEditor>();
        editor->setTimeline(timeline);
        ZRAppState& state = appState();
        state.editor = editor.get();
        state.sharedPos = factory()->createPos();

        root.resize(800, 500);
        frame = new ZRSBPreviewFrame(&root);
        preview = frame->preview();
        slider = new ZRSBPSlider(preloadedSkinSets("preview_panel"), &root);
        slider->move(0, 420);
        preview->setPositionSlider(slider);
        for (auto* b :
             {&skipBack, &frameBack, &playButton, &frameForward, &skipForward, &loopButton}) {
            *b = new QPushButton(&root);
            (*b)->setCheckable(true);
        }
        transport.attach({skipBack, frameBack, playButton, frameForward, skipForward, loopButton},
                         frame);
        preview->setFilePlayerFactory([](QWidget* parent) -> ZRFilePlayer* {
            return new ZRDSFilePreview(parent, "DirectShow File Preview");
        });
        frame->setTimeline(timeline);
        root.show();
    }

    void TearDown() override {
        delete frame.data();
        ZRAppState& state = appState();
        state.previewPlaying = false;
        state.editor = nullptr;
        if (state.sharedPos) factory()->destroyPos(state.sharedPos);
        state.sharedPos = nullptr;
        editor.reset();
        zrSetPreviewOutputFactory({});
        ViewsTest::TearDown();
    }

    void makeProject(int clips = 5) {
        for (int i = 0; i < clips; ++i)
            ASSERT_TRUE(editor->insertClip(clip(), i));
        ASSERT_EQ(int(editor->endPosition()->toFrames()), clips * 50);
    }

    /// Moves the clock in steps of 40 ms (events delivered) until `done`; false after 10 s.
    bool runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            clock.advance(400000);
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    ZRPlaybackPipeline* pipeline() { return preview->graph()->pipeline(); }
    int current() { return int(preview->currentPosition()->toFrames()); }

    ZRManualClock clock;
    std::unique_ptr<ZRVeskEditor> editor;
    QSBWidget root;
    QPointer<ZRSBPreviewFrame> frame;
    ZRSBPreview* preview = nullptr;
    ZRSBPSlider* slider = nullptr;
    ZRTransportButtons transport;
    QPushButton *skipBack = nullptr, *frameBack = nullptr, *playButton = nullptr,
                *frameForward = nullptr, *skipForward = nullptr, *loopButton = nullptr;
};

} // namespace

TEST_F(ZRSBPreviewTest, PlayWithAnEmptyProjectDoesNothing) {
    preview->play();
    EXPECT_EQ(preview->playState(), ZRSBPreview::Stopped);
    EXPECT_FALSE(appState().previewPlaying);
    EXPECT_FALSE(preview->graph()->hasGraph());
}

TEST_F(ZRSBPreviewTest, TransportTable) {
    makeProject();
    enum Cmd { Play, Pause, Stop };
    struct Row {
        const char* name;
        std::vector<Cmd> commands;
        int state;
    };
    const Row rows[] = {
        {"play", {Play}, ZRSBPreview::Playing},
        {"pause", {Play, Pause}, ZRSBPreview::Paused},
        {"play resumes", {Play, Pause, Play}, ZRSBPreview::Playing},
        {"pause resumes", {Play, Pause, Pause}, ZRSBPreview::Playing},
        {"stop", {Play, Stop}, ZRSBPreview::Stopped},
        {"stop while paused", {Play, Pause, Stop}, ZRSBPreview::Stopped},
        {"play twice", {Play, Play}, ZRSBPreview::Playing},
        {"stop while stopped", {Stop}, ZRSBPreview::Stopped},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (Cmd c : row.commands) {
            if (c == Play) preview->play();
            if (c == Pause) preview->pause();
            if (c == Stop) preview->stop();
        }
        const bool playing = row.state != ZRSBPreview::Stopped;
        EXPECT_EQ(preview->playState(), row.state);
        EXPECT_EQ(appState().previewPlaying.load(), playing);
        EXPECT_EQ(preview->pollTimer()->isActive(), playing);
        for (QWidget* b : {skipBack, frameBack, frameForward, skipForward})
            EXPECT_EQ(b->isEnabled(), !playing);
        if (playing) {
            ASSERT_NE(pipeline(), nullptr);
            EXPECT_EQ(pipeline()->state(), row.state == ZRSBPreview::Playing
                                               ? ZRPlaybackPipeline::Running
                                               : ZRPlaybackPipeline::Paused);
        }
        preview->stop();
        ASSERT_EQ(preview->playState(), ZRSBPreview::Stopped);
    }
    // The engine counts the renderer's pauses: each play held one and gave it back, so one more
    // hold and its release leave the renderer running. (The renderer is on only for this check:
    // it reads the timeline's end on its own thread.)
    IZRSettings* settings = timeline->settings();
    settings->setIntSetting("Enable Background Rendering", 1);
    settings->setIntSetting("Pause Background Rendering", 1);
    EXPECT_EQ(pauseSetting(timeline), 1);
    settings->setIntSetting("Pause Background Rendering", 0);
    EXPECT_EQ(pauseSetting(timeline), 0);
    settings->setIntSetting("Enable Background Rendering", 0);
}

TEST_F(ZRSBPreviewTest, StopByTheUserKeepsThePlacePlayingToTheEndGoesBackToTheStart) {
    makeProject();
    QSignalSpy states(preview, &ZRSBPreview::stateChanged);
    std::vector<int> emitted;
    QObject::connect(preview, &ZRSBPreview::atPosition, preview,
                     [&](IZRPos* p, QWidget*) { emitted.push_back(int(p->toFrames())); });

    preview->gotoPosition(pos(25), nullptr);
    preview->play();
    ASSERT_EQ(preview->playState(), ZRSBPreview::Playing);
    ASSERT_TRUE(runUntil([&] { return pipeline()->currentPosition() >= 14000000; }));
    preview->stop();
    const int stoppedAt = int((pipeline()->currentPosition() + 5000) / 10000);
    EXPECT_TRUE(preview->stoppedByUser());
    EXPECT_NEAR(appState().sharedPos->toMilliseconds(), stoppedAt, 40);
    EXPECT_GE(appState().sharedPos->toFrames(), 35);
    EXPECT_EQ(current(), int(appState().sharedPos->toFrames()));
    ASSERT_EQ(emitted.size(), 1u);
    EXPECT_EQ(states.count(), 1);

    // From near the end, playing runs out and comes back to the range start (0).
    preview->gotoPosition(pos(245), nullptr);
    preview->play();
    ASSERT_TRUE(runUntil([&] { return preview->playState() == ZRSBPreview::Stopped; }));
    EXPECT_FALSE(preview->stoppedByUser());
    EXPECT_EQ(appState().sharedPos->toFrames(), 0);
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(emitted.back(), 0);
    EXPECT_FALSE(appState().previewPlaying);
    EXPECT_EQ(pauseSetting(timeline), 0);
    EXPECT_TRUE(skipForward->isEnabled());
}

TEST_F(ZRSBPreviewTest, LoopRestartsWithoutStoppingUntilStopped) {
    makeProject();
    QSignalSpy states(preview, &ZRSBPreview::stateChanged);
    preview->loop();
    preview->gotoPosition(pos(240), nullptr);
    preview->play();
    // The range is the whole edit: a restart lands before the place play started from.
    ASSERT_TRUE(runUntil([&] {
        return pipeline()->currentPosition() >= 9 * kSecond + 8000000 ||
               preview->playState() != ZRSBPreview::Playing;
    }));
    ASSERT_TRUE(runUntil([&] {
        return pipeline()->currentPosition() < kSecond ||
               preview->playState() != ZRSBPreview::Playing;
    }));
    EXPECT_EQ(preview->playState(), ZRSBPreview::Playing);
    EXPECT_EQ(states.count(), 0);
    EXPECT_TRUE(appState().previewPlaying);
    preview->stop();
    EXPECT_EQ(preview->playState(), ZRSBPreview::Stopped);
    EXPECT_EQ(states.count(), 1);
}

TEST_F(ZRSBPreviewTest, TheSliderMarksGiveTheRangePlayedFromTheCurrentPosition) {
    makeProject();
    slider->setTimeline(timeline);
    slider->setEnabled(true);
    slider->gotoPosition(0.5, nullptr);
    const int quarter = (slider->markOutRect().right() - slider->markInRect().left()) / 4;
    drag(slider, slider->markInRect().center(), quarter);
    drag(slider, slider->markOutRect().center(), -quarter);
    const double in = slider->markIn(), out = slider->markOut();
    ASSERT_GT(in, 0.15);
    ASSERT_GT(out, 0.15);

    // Close to the range's end, so that it plays out soon.
    preview->gotoPosition(pos(180), nullptr);
    preview->play();
    const double last = 249 * 40.0; // (end - 1 frame) in ms
    EXPECT_NEAR(preview->startPosition()->toMilliseconds(), int(last * in), 40);
    EXPECT_NEAR(preview->stopPosition()->toMilliseconds(), int(last * (1 - out)), 40);
    EXPECT_EQ(pipeline()->stopPosition(),
              ZRMediaTime(preview->stopPosition()->toMilliseconds()) * 10000);
    EXPECT_GE(pipeline()->currentPosition(), 72000000);

    // Played to its end, it goes back to the range start.
    ASSERT_TRUE(runUntil([&] { return preview->playState() == ZRSBPreview::Stopped; }));
    EXPECT_EQ(current(), int(preview->startPosition()->toFrames()));
}

TEST_F(ZRSBPreviewTest, FrameStepsStayInsideTheEdit) {
    makeProject();
    struct Row {
        int from;
        bool forward;
        int to;
    };
    for (const Row& r : {Row{248, true, 249}, Row{249, true, 249}, Row{1, false, 0},
                         Row{0, false, 0}, Row{100, false, 99}}) {
        preview->gotoPosition(pos(r.from), nullptr);
        r.forward ? preview->framefwd() : preview->framerew();
        EXPECT_EQ(current(), r.to) << r.from << (r.forward ? " forward" : " back");
    }
}

TEST_F(ZRSBPreviewTest, SkipsFollowTheClipBoundaries) {
    // An A/B chain with two transitions: A on track 1 at 0..49, B on track 3 at 40..89, C on
    // track 1 at 80..129; the edit ends at 130.
    IZRObject* a = clip();
    IZRObject* b = clip();
    IZRObject* c = clip();
    timeline->insertObject(1, pos(0), a);
    timeline->insertObject(3, pos(40), b);
    timeline->insertObject(1, pos(80), c);
    std::vector<int> emitted;
    QObject::connect(preview, &ZRSBPreview::atPosition, preview,
                     [&](IZRPos* p, QWidget*) { emitted.push_back(int(p->toFrames())); });
    struct Row {
        int from;
        bool forward;
        int to;
    };
    const Row rows[] = {
        {10, true, 40},   // A alone: its end lies under B, which ends later: B's start
        {45, true, 50},   // A and B: the earlier end plus one
        {60, true, 80},   // B alone: its end lies under C, which ends later: C's start
        {85, true, 90},   // B and C: the earlier end plus one
        {100, true, 129}, // C alone: one past its end is the edit's end: one back
        {10, false, 0},   // A alone: its start
        {0, false, 0},    // at frame 0 nothing goes lower
        {45, false, 40},  // A ends first: B's start
        {60, false, 40},  // B alone: its start
        {85, false, 80},  // B ends first: C's start
        {100, false, 80}, // C alone: its start
        {80, false, 40},  // already at C's start: B's start
    };
    for (const Row& r : rows) {
        preview->gotoPosition(pos(r.from), nullptr);
        emitted.clear();
        r.forward ? preview->forward() : preview->rewind();
        ASSERT_EQ(emitted.size(), 1u);
        EXPECT_EQ(emitted[0], r.to) << r.from << (r.forward ? " forward" : " back");
        EXPECT_EQ(current(), r.to);
    }
    // Past the edit there is nothing to jump over.
    preview->gotoPosition(pos(140), nullptr);
    emitted.clear();
    preview->forward();
    preview->rewind();
    EXPECT_TRUE(emitted.empty());
}

namespace {

QRgb centre(QWidget* w) {
    const QImage image = w->grab().toImage();
    return image.pixel(image.width() / 2, image.height() / 2);
}

} // namespace

TEST_F(ZRSBPreviewTest, StoppedItShowsTheProjectFrameBeforeTheEndAndTheBackgroundAfter) {
    makeProject();
    ASSERT_EQ(preview->size(), frame->contentRect().adjusted(-3, -3, 3, 3).size());
    // Frame 60 is frame 10 of the second clip.
    preview->gotoPosition(pos(60), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(preview)), 10);
    preview->framefwd();
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(preview)), 11);

    // Without a skinned parent the background is black.
    ZRSBPreview alone;
    alone.resize(90, 72);
    alone.setTimeline(timeline);
    alone.show();
    alone.gotoPosition(pos(249), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(&alone)), 49);
    alone.gotoPosition(pos(250), nullptr);
    EXPECT_EVENTUALLY_EQ(centre(&alone), qRgb(0, 0, 0));
}

TEST_F(ZRSBPreviewTest, AnImageHandedOverIsShownUntilTheNextRender) {
    makeProject();
    IZRImage* image = factory()->createEmptyImage();
    ASSERT_TRUE(image->create(64, 48, 0));
    for (int y = 0; y < 48; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image->pixels() + y * image->stride());
        std::fill(row, row + 64, 0xFF3060F0u);
    }
    preview->gotoPosition(pos(60), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(preview)), 10);
    preview->slotDisplayIZRImage(image);
    EXPECT_EQ(centre(preview), qRgb(0x30, 0x60, 0xF0));
    // A new position renders again.
    preview->gotoPosition(pos(61), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(centre(preview)), 11);
    factory()->destroyImage(image);
}

TEST_F(ZRSBPreviewTest, DestroyedWhilePlayingOrWhileItsThreadRenders) {
    makeProject();
    for (int round = 0; round < 10; ++round) {
        auto* p = new ZRSBPreview(&root);
        p->resize(180, 144);
        p->setPositionSlider(slider);
        p->setTimeline(timeline);
        p->show();
        for (int f = 0; f < 5; ++f)
            p->gotoPosition(pos(f * 7 + round), nullptr);
        if (round % 2) {
            p->play();
            EXPECT_EQ(p->playState(), ZRSBPreview::Playing);
            clock.advance(2000000);
            QCoreApplication::processEvents();
        }
        delete p;
        EXPECT_FALSE(appState().previewPlaying);
    }
}

namespace {

class RecordingHub : public FakeHub {
public:
    QString text;
    int ms = 0;
    void message(const QString& t, int m) override {
        text = t;
        ms = m;
    }
};

/// Drags `urls` onto `target` and drops them (a drop reaches the widget that took the drag).
void drop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent e(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &e);
}

void sendSlider(QWidget* slider, ZRSliderEvent::Kind kind, double value) {
    ZRSliderEvent e(kind, value);
    QCoreApplication::sendEvent(slider, &e);
}

class ZRSBPreviewDropTest : public ZRSBPreviewTest {
protected:
    static void SetUpTestSuite() {
        ZRSBPreviewTest::SetUpTestSuite();
        dir = new QTemporaryDir;
        ASSERT_TRUE(writeTestClip(dir->filePath("clip.avi")));
    }
    static void TearDownTestSuite() { delete dir; }

    void SetUp() override {
        ZRSBPreviewTest::SetUp();
        appState().hub = &recording;
        slider->setTimeline(timeline);
        slider->gotoPosition(0.3, nullptr);
        slider->setEnabled(false);
    }

    QUrl clipUrl() const { return QUrl::fromLocalFile(dir->filePath("clip.avi")); }

    /// The file preview's reported positions while the clock moves, until `count` are taken.
    std::vector<qint64> sample(ZRDSFilePreview* fp, int count) {
        std::vector<qint64> times;
        QSignalSpy spy(fp, &ZRDSFilePreview::positionChanged);
        while (int(times.size()) < count) {
            clock.advance(400000);
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            fp->slotTimeout();
            times.push_back(spy.last().at(0).toLongLong());
        }
        return times;
    }

    static QTemporaryDir* dir;
    RecordingHub recording;
};

QTemporaryDir* ZRSBPreviewDropTest::dir = nullptr;

} // namespace

TEST_F(ZRSBPreviewDropTest, ADroppedFilePlaysWithTheButtonsAndSliderLentToIt) {
    makeProject();
    drop(preview, {clipUrl()});
    QPointer<ZRDSFilePreview> fp = qobject_cast<ZRDSFilePreview*>(preview->filePreview());
    ASSERT_FALSE(fp.isNull());
    EXPECT_TRUE(fp->isVisible());
    EXPECT_EQ(fp->parentWidget(), preview->parentWidget());
    EXPECT_EQ(fp->geometry(), preview->geometry());
    EXPECT_EQ(fp->state(), 0);
    EXPECT_TRUE(playButton->isChecked());
    EXPECT_TRUE(loopButton->isEnabled());
    EXPECT_FALSE(loopButton->isChecked());
    for (QWidget* b : {skipBack, frameBack, frameForward, skipForward})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_TRUE(slider->signalsBlocked());
    EXPECT_DOUBLE_EQ(preview->savedSliderFraction(), 0.3);
    // The project's player stayed stopped: the play button no longer reaches it.
    EXPECT_EQ(preview->playState(), ZRSBPreview::Stopped);

    // A second drop, and a drop without files, change nothing.
    drop(preview, {clipUrl()});
    drop(preview, {});
    EXPECT_EQ(preview->filePreview(), fp.data());
    EXPECT_DOUBLE_EQ(preview->savedSliderFraction(), 0.3);

    // The knob seeks the file: half way is 1 s; the player and the knob follow it.
    sendSlider(slider, ZRSliderEvent::Position, 0.5);
    std::vector<qint64> times = sample(fp, 1);
    EXPECT_GE(times[0], 10000000);
    EXPECT_LT(times[0], 12000000);
    EXPECT_NEAR(preview->currentPosition()->toMilliseconds(), times[0] / 10000, 40);
    EXPECT_NEAR(slider->position(), times[0] / 20000000.0, 1e-9);

    // Looping, the marks at a quarter from each end keep it within 0.5 s .. 1.5 s.
    loopButton->setChecked(true);
    sendSlider(slider, ZRSliderEvent::Position, 0.0);
    sendSlider(slider, ZRSliderEvent::MarkIn, 0.25);
    sendSlider(slider, ZRSliderEvent::MarkOut, 0.25);
    // 2.4 s of the test clock pass the 1 s loop at least once; a loaded machine decodes more
    // slowly than that clock runs, so sampling goes on (up to ten times as long) until it wraps.
    bool wrapped = false;
    times.clear();
    for (int round = 0; round < 10 && !wrapped; ++round) {
        const std::vector<qint64> more = sample(fp, 60);
        times.insert(times.end(), more.begin(), more.end());
        for (size_t i = 1; i < times.size(); ++i)
            if (times[i] < times[i - 1]) wrapped = true;
    }
    for (size_t i = 0; i < times.size(); ++i) {
        EXPECT_GE(times[i], 5000000) << i;
        EXPECT_LE(times[i], 15000000) << i;
    }
    EXPECT_TRUE(wrapped);

    // Switching play off stops and closes it, and everything comes back.
    playButton->setChecked(false);
    EXPECT_EVENTUALLY(fp.isNull());
    EXPECT_EQ(preview->filePreview(), nullptr);
    EXPECT_DOUBLE_EQ(slider->position(), 0.3);
    EXPECT_DOUBLE_EQ(preview->savedSliderFraction(), -1.0);
    EXPECT_FALSE(slider->signalsBlocked());
    EXPECT_FALSE(slider->isEnabled());
    for (QWidget* b : {skipBack, frameBack, frameForward, skipForward})
        EXPECT_TRUE(b->isEnabled());
    // The loop button and the slider no longer reach the player; play reaches the frame again.
    loopButton->setChecked(false);
    sendSlider(slider, ZRSliderEvent::Position, 0.9);
    playButton->setChecked(true);
    EXPECT_EQ(preview->playState(), ZRSBPreview::Playing);
    preview->stop();
}

TEST_F(ZRSBPreviewDropTest, AFileThatDoesNotOpenLeavesThePlayerAsItWas) {
    drop(preview, {QUrl::fromLocalFile(dir->filePath("missing.avi"))});
    EXPECT_EQ(preview->filePreview(), nullptr);
    EXPECT_EQ(recording.text, "Load error: File not found");
    EXPECT_EQ(recording.ms, 3000);
    EXPECT_EQ(frame->findChildren<ZRDSFilePreview*>().size(), 0);
    EXPECT_FALSE(playButton->isChecked());
    EXPECT_TRUE(skipBack->isEnabled());
    // Slider events without a file preview reach nothing.
    sendSlider(slider, ZRSliderEvent::Position, 0.5);
    EXPECT_EQ(current(), 0);
}

TEST_F(ZRSBPreviewDropTest, NoDropWhileTheProjectPlays) {
    makeProject();
    preview->play();
    drop(preview, {clipUrl()});
    EXPECT_EQ(preview->filePreview(), nullptr);
    preview->stop();
}

TEST_F(ZRSBPreviewTest, TheFrameLaysOutItsPartsAndShowsTheVideoSize) {
    EXPECT_EQ(frame->objectName(), QString());
    EXPECT_EQ(preview->objectName(), "preview viewport");
    EXPECT_EQ(preview->parentWidget(), frame.data());
    EXPECT_EQ(frame->contentRect().size(), QSize(382, 285));
    EXPECT_EQ(preview->geometry(), frame->contentRect().adjusted(-3, -3, 3, 3));
    EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
    EXPECT_TRUE(frame->rect().contains(frame->contentRect()));
    EXPECT_EQ(frame->sizeLabel()->getText(), "720x576");
    EXPECT_TRUE(frame->sizeLabel()->isVisible());
    EXPECT_EQ(frame->sizeLabel()->pos(),
              QPoint(frame->positions().left() + 75, frame->positions().top() - 1));
    const QRect tc = frame->timecodeWidget()->geometry();
    EXPECT_EQ(tc.top(), frame->positions().top());
    EXPECT_LE(std::abs(tc.left() - (frame->width() - tc.right() - 1)), 1);
    // The header stays clear of the picture.
    EXPECT_FALSE(preview->geometry().intersects(tc));
    EXPECT_FALSE(preview->geometry().intersects(frame->sizeLabel()->geometry()));

    // The size follows the project's format after New or Open.
    timeline->settings()->setIntPairSetting("Video Dimensions", 720, 480);
    frame->updateContents(nullptr);
    EXPECT_EQ(frame->sizeLabel()->getText(), "720x480");
    timeline->settings()->setIntPairSetting("Video Dimensions", 720, 576);
    frame->updateContents(nullptr);
    EXPECT_EQ(frame->sizeLabel()->getText(), "720x576");

    // Away from the root's corner the frame's edges are still drawn: its own look, not the
    // root's background, at its left edge.
    frame->move(30, 20);
    root.show();
    const QImage shot = root.grab().toImage();
    EXPECT_NE(shot.pixel(30 + 3, 20 + 150), shot.pixel(5, 5));
    EXPECT_EQ(shot.pixel(30 + 3, 20 + 150), frame->grab().toImage().pixel(3, 150));

    preview->setEnabled(true);
    frame->showPreview(false);
    EXPECT_FALSE(preview->isVisible());
    frame->showPreview(true);
    EXPECT_TRUE(preview->isVisible());
}

TEST_F(ZRSBPreviewTest, TheFrameRelaysPositionsWithoutEchoes) {
    makeProject();
    std::vector<int> relayed;
    QObject::connect(frame, &ZRSBPreviewFrame::atPosition, frame, [&](IZRPos* p, QWidget* s) {
        EXPECT_EQ(s, frame.data());
        relayed.push_back(int(p->toFrames()));
    });
    ZRTCWidget* tc = frame->timecodeWidget();

    // A null position greys out the time code and the player.
    frame->gotoPosition(nullptr, &root);
    EXPECT_FALSE(tc->isEnabled());
    EXPECT_FALSE(preview->isEnabled());

    // From elsewhere: shown and handed to the player, which comes back on.
    frame->gotoPosition(pos(40), &root);
    EXPECT_TRUE(tc->isEnabled());
    EXPECT_TRUE(preview->isEnabled());
    EXPECT_EQ(tc->fields().seconds, 1);
    EXPECT_EQ(tc->fields().frames, 15);
    EXPECT_EQ(current(), 40);
    EXPECT_TRUE(relayed.empty());

    // From the player: shown and passed on, not sent back.
    IZRPos* other = pos(30);
    Q_EMIT preview->atPosition(other, preview);
    EXPECT_EQ(tc->fields().seconds, 1);
    EXPECT_EQ(tc->fields().frames, 5);
    EXPECT_EQ(relayed, std::vector<int>{30});
    EXPECT_EQ(current(), 40);
    preview->framefwd();
    EXPECT_EQ(relayed, (std::vector<int>{30, 41}));

    // Its own echo is ignored.
    frame->gotoPosition(pos(10), frame);
    EXPECT_EQ(current(), 41);
    EXPECT_EQ(tc->fields().frames, 16);
}

TEST_F(ZRSBPreviewTest, ToggleIgnoresItsArgument) {
    makeProject();
    QSignalSpy states(frame.data(), &ZRSBPreviewFrame::stateChanged);
    frame->toggle_play_stop(false);
    EXPECT_EQ(preview->playState(), ZRSBPreview::Playing);
    frame->toggle_play_stop(true);
    EXPECT_EQ(preview->playState(), ZRSBPreview::Stopped);
    EXPECT_EQ(states.count(), 1);
    // Relayed transport: a step and a skip.
    frame->gotoPosition(pos(10), &root);
    frame->framefwd();
    EXPECT_EQ(current(), 11);
    frame->forward();
    EXPECT_EQ(current(), 50);
    frame->framerew();
    EXPECT_EQ(current(), 49);
    frame->rewind();
    EXPECT_EQ(current(), 0);
    frame->loop();
    EXPECT_TRUE(preview->loopEnabled());
}

// A clip double-clicked on the media page plays through the main preview's file preview, which
// takes the slider and transport over until it stops: one file preview at a time.
#include "tests/browser/BrowserPageFixture.h"

#include "views/ZRFilePlayer.h"
#include "views/ZRSBPSlider.h"
#include "views/ZRSBPreview.h"
#include "views/ZRSliderEvent.h"

#include <QPointer>

namespace {

using browsertest::BrowserPageTest;

/// A file player that records what it is asked; "bad" in a name fails to open.
class RecordingPlayer : public ZRFilePlayer {
public:
    explicit RecordingPlayer(QWidget* parent) : ZRFilePlayer(parent) {}
    bool openFile(const QString& path) override {
        opened = path;
        return !path.contains(QLatin1String("bad"));
    }
    ZRMediaTime duration() const override { return length; }
    void play() override { ++plays; }
    void stop_and_close() override {
        Q_EMIT previewStopped();
        close();
    }
    void seek(qint64 time) override { seeks.append(time); }
    void setStartPosition(double time, QWidget*) override { start = time; }
    void setStopPosition(double time, QWidget*) override { stop = time; }
    void show() override { QWidget::show(); }
    void setLoop(bool on) override { loop = on; }

    QString opened;
    ZRMediaTime length = 5000;
    int plays = 0;
    QList<qint64> seeks;
    double start = -1;
    double stop = -1;
    bool loop = true;
};

class BrowserPreview : public BrowserPageTest {
protected:
    void SetUp() override {
        BrowserPageTest::SetUp();
        host = std::make_unique<QWidget>();
        host->resize(400, 300);
        slider = new ZRSBPSlider(preloadedSkinSets("preview_panel"), host.get(), "slider");
        slider->setGeometry(0, 260, 400, 24);
        preview = new ZRSBPreview(host.get(), "preview");
        preview->setGeometry(0, 0, 320, 240);
        preview->setPositionSlider(slider);
        preview->setFilePlayerFactory([this](QWidget* parent) -> ZRFilePlayer* {
            auto* player = new RecordingPlayer(parent);
            players.append(player);
            return player;
        });
        appState().preview = preview;
        host->show();
        // Moving the knob enables the slider: the disabled state comes after.
        slider->gotoPosition(0.4, nullptr);
        slider->setEnabled(false);
    }
    void TearDown() override {
        // The preview goes first, as in the window: it gives the slider back while it exists.
        delete preview;
        host.reset();
        appState().preview = nullptr;
        BrowserPageTest::TearDown();
    }

    ZRBrowserIconViewItem* clipItem(const QString& name) {
        makePage();
        page->setFolder(QStringLiteral("F"));
        page->addClip(clip(name), false, false);
        settle();
        return item(name);
    }

    void sendSlider(ZRSliderEvent::Kind kind, double value) {
        ZRSliderEvent event(kind, value);
        QCoreApplication::sendEvent(slider, &event);
    }

    std::unique_ptr<QWidget> host;
    ZRSBPSlider* slider = nullptr;
    ZRSBPreview* preview = nullptr;
    QList<QPointer<RecordingPlayer>> players;
};

TEST_F(BrowserPreview, DoubleClickLendsTheTransportAndStopGivesItBack) {
    ZRBrowserIconViewItem* clip = clipItem(QStringLiteral("play.avi"));
    ASSERT_NE(clip, nullptr);
    page->itemDoubleClicked(clip);
    ASSERT_EQ(players.size(), 1);
    RecordingPlayer* player = players[0];
    EXPECT_EQ(player->opened, clip->fullPath());
    EXPECT_EQ(player->plays, 1);
    EXPECT_FALSE(player->loop);
    EXPECT_EQ(preview->filePreview(), player);
    EXPECT_TRUE(slider->isEnabled());
    EXPECT_TRUE(slider->signalsBlocked());

    // Marks 0.25 and 0.25: the range is the middle half of the clip, in 100-ns units.
    sendSlider(ZRSliderEvent::MarkIn, 0.25);
    sendSlider(ZRSliderEvent::MarkOut, 0.25);
    EXPECT_DOUBLE_EQ(player->start, 1250.0);
    EXPECT_DOUBLE_EQ(player->stop, 3750.0);
    // A 5000-unit clip is under a millisecond long: a seek goes to its start, and the slider
    // still follows the play position.
    sendSlider(ZRSliderEvent::Position, 0.5);
    ASSERT_EQ(player->seeks.size(), 1);
    EXPECT_EQ(player->seeks[0], 0);
    Q_EMIT player->positionChanged(2500, 5000);
    EXPECT_DOUBLE_EQ(slider->position(), 0.5);
    Q_EMIT player->positionChanged(0, 0);
    EXPECT_DOUBLE_EQ(slider->position(), 0.5);

    // A second clip while this one plays starts nothing.
    page->itemDoubleClicked(clip);
    EXPECT_EQ(players.size(), 1);

    page->slotPlayToggled(false);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(preview->filePreview(), nullptr);
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(slider->signalsBlocked());
    EXPECT_DOUBLE_EQ(slider->position(), 0.4);

    // The transport is free again: the next double-click plays.
    page->itemDoubleClicked(clip);
    EXPECT_EQ(players.size(), 2);
}

TEST_F(BrowserPreview, AFailedOpenLeavesEverythingAsItWas) {
    ZRBrowserIconViewItem* clip = clipItem(QStringLiteral("bad.avi"));
    ASSERT_NE(clip, nullptr);
    page->itemDoubleClicked(clip);
    ASSERT_EQ(players.size(), 1);
    EXPECT_TRUE(players[0].isNull()) << "the player is discarded";
    EXPECT_EQ(preview->filePreview(), nullptr);
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(slider->signalsBlocked());
    EXPECT_TRUE(preview->canStartFilePreview());
}

// A file dropped on the preview while a clip plays takes nothing over: one preview at a time.
TEST_F(BrowserPreview, NoSecondTakeOverWhileAClipPlays) {
    ZRBrowserIconViewItem* clip = clipItem(QStringLiteral("play.avi"));
    page->itemDoubleClicked(clip);
    ASSERT_EQ(players.size(), 1);
    EXPECT_FALSE(preview->canStartFilePreview());
    EXPECT_FALSE(preview->startFilePreview(clip->fullPath()));
    EXPECT_EQ(players.size(), 1);
    // Closing the player's window gives everything back as a stop does.
    players[0]->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(preview->filePreview(), nullptr);
    EXPECT_FALSE(slider->signalsBlocked());
    EXPECT_TRUE(preview->canStartFilePreview());
}

} // namespace

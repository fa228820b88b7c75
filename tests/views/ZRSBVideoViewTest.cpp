#include "views/ZRSBVideoView.h"
#include "tests/views/ViewsFixture.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace viewstest;

namespace {

constexpr QRgb kSkin = 0xFF204060;

// A view that counts its render steps and can hold them on a latch.
class ProbeView : public ZRSBVideoView {
public:
    using ZRSBVideoView::ZRSBVideoView;
    ~ProbeView() override { stopThread(); }

    std::atomic<int> renders{0};
    std::atomic<bool> inside{false};

    void latch() {
        std::lock_guard l(m_latchLock);
        m_latched = true;
    }
    void release() {
        {
            std::lock_guard l(m_latchLock);
            m_latched = false;
        }
        m_latchWake.notify_all();
    }

protected:
    bool renderFrame(const RenderRequest& request, IZRImage* target) override {
        inside = true;
        ++renders;
        {
            std::unique_lock l(m_latchLock);
            m_latchWake.wait(l, [this] { return !m_latched; });
        }
        const bool drawn = ZRSBVideoView::renderFrame(request, target);
        inside = false;
        return drawn;
    }

private:
    std::mutex m_latchLock;
    std::condition_variable m_latchWake;
    bool m_latched = false;
};

// A skin root of one colour holding the view at (10, 10), 110 x 84.
struct Stage {
    explicit Stage(bool probe = false) {
        QImage skin(200, 160, QImage::Format_ARGB32);
        skin.fill(kSkin);
        root = std::make_unique<QSBWidget>(skin, false);
        root->resize(200, 160);
        view = probe ? new ProbeView(root.get()) : new ZRSBVideoView(root.get());
        view->setGeometry(10, 10, 110, 84);
        root->show();
    }
    ProbeView* probe() { return static_cast<ProbeView*>(view); }
    QRgb centre() { return view->grab().toImage().pixel(55, 42); }

    std::unique_ptr<QSBWidget> root;
    ZRSBVideoView* view = nullptr;
};

int tinted(int channel) {
    return channel + (120 - channel) * 84 / 255;
}

bool isTintedSkin(QRgb p) {
    return std::abs(qRed(p) - tinted(qRed(kSkin))) <= 2 &&
           std::abs(qGreen(p) - tinted(qGreen(kSkin))) <= 2 &&
           std::abs(qBlue(p) - tinted(qBlue(kSkin))) <= 2;
}

} // namespace

class ZRSBVideoViewTest : public ViewsTest {};

TEST_F(ZRSBVideoViewTest, ShowsTheObjectsFrameAtThePosition) {
    Stage stage;
    stage.view->setTimeline(timeline);
    IZRObject* c = clip();
    stage.view->gotoPosition(c, pos(17), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 17);
    stage.view->gotoPosition(c, pos(42), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 42);
}

TEST_F(ZRSBVideoViewTest, NullPositionShowsTintedSkinAndALaterOneTheFrame) {
    Stage stage;
    EXPECT_EQ(stage.view->setTimeline(timeline), nullptr);
    IZRObject* c = clip();
    stage.view->gotoPosition(c, nullptr, nullptr);
    EXPECT_FALSE(stage.view->isEnabled());
    EXPECT_EVENTUALLY(isTintedSkin(stage.centre()));

    stage.view->setTintBackground(false);
    EXPECT_EVENTUALLY_EQ(stage.centre(), kSkin);

    stage.view->gotoPosition(c, pos(5), nullptr);
    EXPECT_TRUE(stage.view->isEnabled());
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 5);

    // Without a timeline nothing renders; the view keeps to its background.
    EXPECT_EQ(stage.view->setTimeline(nullptr), timeline);
    stage.view->setTintBackground(true);
    stage.view->updateContents(nullptr);
    EXPECT_EVENTUALLY(isTintedSkin(stage.centre()));
}

// Without a skinned parent the view tints what its parent painted under it.
TEST_F(ZRSBVideoViewTest, WithoutASkinnedParentTheParentsPixelsAreTinted) {
    constexpr QRgb kParent = 0xFFC03010;
    QWidget parent;
    parent.resize(200, 160);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(kParent));
    parent.setPalette(palette);
    parent.setAutoFillBackground(true);
    auto* view = new ZRSBVideoView(&parent);
    view->setPalette(QPalette(Qt::green)); // must not show
    view->setGeometry(10, 10, 110, 84);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    auto centre = [&] { return parent.grab().toImage().pixel(65, 52); };
    const auto isTintedParent = [](QRgb p) {
        return std::abs(qRed(p) - tinted(qRed(kParent))) <= 2 &&
               std::abs(qGreen(p) - tinted(qGreen(kParent))) <= 2 &&
               std::abs(qBlue(p) - tinted(qBlue(kParent))) <= 2;
    };
    EXPECT_EVENTUALLY(isTintedParent(centre()));
    // Painting again tints the parent's pixels again, not the tinted ones.
    view->repaint();
    EXPECT_TRUE(isTintedParent(centre()));
    view->setTintBackground(false);
    EXPECT_EVENTUALLY_EQ(centre(), kParent);
}

TEST_F(ZRSBVideoViewTest, OwnOrSuspendedUpdatesRenderNothingAndResumeRendersOnce) {
    Stage stage(true);
    ProbeView* view = stage.probe();
    view->setTimeline(timeline);
    view->gotoPosition(clip(), pos(3), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 3);
    // Showing and sizing the view may have asked for passes of their own: let them end.
    QTest::qWait(50);
    const int settled = view->renders.load();

    view->updateContents(view);
    view->suspendThread();
    view->updateContents(nullptr);
    view->updateContents(stage.root.get());
    QTest::qWait(50);
    EXPECT_EQ(view->renders.load(), settled);

    view->resumeThread();
    EXPECT_EVENTUALLY_EQ(view->renders.load(), settled + 1);
    QTest::qWait(50);
    EXPECT_EQ(view->renders.load(), settled + 1);
}

TEST_F(ZRSBVideoViewTest, PaintDuringALatchedRenderReturns) {
    Stage stage(true);
    ProbeView* view = stage.probe();
    view->setTimeline(timeline);
    view->latch();
    view->gotoPosition(clip(), pos(9), nullptr);
    EXPECT_EVENTUALLY(view->inside.load());

    view->repaint();
    (void)view->grab();
    EXPECT_FALSE(view->tryLock());

    view->release();
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 9);
}

TEST_F(ZRSBVideoViewTest, DeleteObjectWaitsForTheRenderOfThatObject) {
    Stage stage(true);
    ProbeView* view = stage.probe();
    view->setTimeline(timeline);
    IZRObject* c = clip();
    IZRObject* other = clip();
    IZRObject* bystander = clip();
    view->latch();
    view->gotoPosition(c, pos(9), nullptr);
    EXPECT_EVENTUALLY(view->inside.load());

    std::thread releaser([view] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        view->release();
    });
    view->deleteObject(c);
    EXPECT_FALSE(view->inside.load());
    factory()->destroyObject(c);
    releaser.join();

    // Later passes have no object and show the background.
    view->updateContents(nullptr);
    EXPECT_EVENTUALLY(isTintedSkin(stage.centre()));

    // Another object is left alone; null forgets any.
    view->gotoPosition(other, pos(4), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 4);
    view->deleteObject(bystander);
    view->updateContents(nullptr);
    QTest::qWait(20);
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 4);
    view->deleteObject(nullptr);
    view->updateContents(nullptr);
    EXPECT_EVENTUALLY(isTintedSkin(stage.centre()));
}

TEST_F(ZRSBVideoViewTest, StormsOfPositionsSizesAndTimelinesEndOnTheLastRequest) {
    Stage stage;
    IZRObject* c = clip();
    for (int i = 0; i < 300; ++i) {
        if (i % 50 == 0) stage.view->setTimeline(i % 100 ? timeline : nullptr);
        if (i % 50 == 1) stage.view->setTimeline(timeline);
        stage.view->gotoPosition(c, pos(i % 50), nullptr);
        stage.view->resize(60 + i % 60, 40 + i % 44);
        if (i % 7 == 0) QCoreApplication::processEvents();
    }
    stage.view->resize(110, 84);
    stage.view->gotoPosition(c, pos(33), nullptr);
    EXPECT_EVENTUALLY_EQ(frameNumber(stage.centre()), 33);
}

TEST_F(ZRSBVideoViewTest, ThousandCreateDestroyCycles) {
    QSBWidget root;
    root.resize(120, 90);
    root.show();
    IZRObject* c = clip();
    for (int i = 0; i < 1000; ++i) {
        auto view = std::make_unique<ZRSBVideoView>(&root);
        view->resize(32, 24);
        if (i % 2) {
            view->setTimeline(timeline);
            view->gotoPosition(c, pos(i % 50), nullptr);
        }
        if (i % 100 == 0) QCoreApplication::processEvents();
    }
    SUCCEED();
}

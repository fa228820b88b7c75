// The produce page's player side: tabs, transport, marks and the enabling of its controls.
#include "tests/output/RenderFixture.h"

#include "classes/widgets/ZRTCWidget.h"
#include "classes/widgets/ZRTabBar.h"
#include "views/ZRSBPreview.h"

using namespace rendertest;

using PlayerTest = RenderTest;

TEST_F(PlayerTest, TabsShowTheirPagesAndSetTheTransport) {
    makeProject(50, 3);
    view->show();
    struct Case {
        int tab;
        QSBWidget* shown; ///< the one sub-page visible (null: none)
        bool slider;
        bool transport; ///< the five buttons other than play
    };
    const Case cases[] = {
        {ZRExportView::CameraTab, view->subPage(1), true, false},
        {ZRExportView::VcdTab, view->subPage(3), false, true},
        {ZRExportView::WebTab, view->subPage(2), false, true},
        {ZRExportView::DvdTab, view->subPage(4), false, true},
        {ZRExportView::DiskTab, nullptr, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        view->tabBarChanged(c.tab);
        EXPECT_EQ(view->currentTab(), c.tab);
        for (int t = 1; t <= 4; ++t)
            EXPECT_EQ(view->subPage(t)->isVisible(), view->subPage(t) == c.shown) << t;
        EXPECT_EQ(view->cameraVideoWidget()->isVisible(), c.tab == ZRExportView::CameraTab);
        EXPECT_EQ(view->slider()->isEnabled(), c.slider);
        EXPECT_TRUE(view->transportButton(ZRExportView::Play)->isEnabled());
        EXPECT_EQ(view->transportButton(ZRExportView::Rewind)->isEnabled(), c.transport);
        EXPECT_EQ(view->transportButton(ZRExportView::Loop)->isEnabled(), c.transport);
    }
    EXPECT_EQ(view->subPage(1)->objectName(), QStringLiteral("ZRExportCameraView"));
    EXPECT_EQ(view->subPage(3)->objectName(), QStringLiteral("ZRExportECIView"));

    // Without a live output the camera tab's transport does nothing; elsewhere it drives the
    // preview.
    view->tabBarChanged(ZRExportView::CameraTab);
    view->forward();
    EXPECT_EQ(view->preview()->currentPosition()->toFrames(), 0.0);
    view->loop();
    EXPECT_TRUE(view->loopOn());
    EXPECT_FALSE(view->preview()->loopEnabled());
    view->tabBarChanged(ZRExportView::DiskTab);
    view->forward();
    EXPECT_GT(view->preview()->currentPosition()->toFrames(), 0.0);

    // An empty project keeps the slider off on the first tab.
    makeProject(0, 3);
    view->show();
    view->tabBarChanged(ZRExportView::DiskTab);
    EXPECT_FALSE(view->slider()->isEnabled());
}

// Marks are fractions of the last frame; a click that would cross the other mark is ignored.
TEST_F(PlayerTest, MarksFollowTheSliderAndTheClicks) {
    makeProject(101, 3); // last frame 100, 4 s
    view->slotMarkInChanged(0.25, view->slider());
    view->slotMarkOutChanged(0.5, view->slider());
    EXPECT_EQ(view->markInPosition()->toFrames(), 25.0);
    EXPECT_EQ(view->markOutPosition()->toFrames(), 50.0);
    EXPECT_EQ(int(view->markInCode()->fields().frames), 0);
    EXPECT_EQ(int(view->markInCode()->fields().seconds), 1);

    IZRPos* at = timeline->factory()->createPos();
    at->setTotalFrames(75); // after mark-out: not a mark-in
    view->preview()->gotoPosition(at, nullptr);
    view->slotMarkInClicked();
    EXPECT_EQ(view->markInPosition()->toFrames(), 25.0);
    view->slotMarkOutClicked();
    EXPECT_EQ(view->markOutPosition()->toFrames(), 75.0);
    EXPECT_DOUBLE_EQ(view->slider()->markOut(), 0.25);
    at->setTotalFrames(10);
    view->preview()->gotoPosition(at, nullptr);
    view->slotMarkOutClicked(); // before mark-in: ignored
    EXPECT_EQ(view->markOutPosition()->toFrames(), 75.0);
    view->slotMarkInClicked();
    EXPECT_EQ(view->markInPosition()->toFrames(), 10.0);
    EXPECT_DOUBLE_EQ(view->slider()->markIn(), 0.1);
    timeline->factory()->destroyPos(at);

    // A one-frame project has no length to divide: everything sits at 0.
    makeProject(1, 3);
    view->slotMarkInChanged(0.5, view->slider());
    view->slotMarkOutChanged(0.5, view->slider());
    EXPECT_EQ(view->markInPosition()->toFrames(), 0.0);
    EXPECT_EQ(view->markOutPosition()->toFrames(), 0.0);
    view->gotoPosition(timeline->endPosition(), nullptr);
    EXPECT_EQ(view->slider()->position(), 0.0);
}

TEST_F(PlayerTest, ControlsGoOffTogetherAndSaveFollowsTheProfile) {
    makeProject(10, 3);
    view->setControlsEnabled(false);
    for (ZRComboBox* box : {view->profileBox(), view->widthBox(), view->channelsBox()})
        EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(view->maxBitrateBox()->isEnabled());
    EXPECT_FALSE(view->tabBar()->isEnabled());
    EXPECT_FALSE(view->markOutButton()->isEnabled());
    EXPECT_FALSE(view->transportButton(ZRExportView::FrameBack)->isEnabled());
    EXPECT_TRUE(view->transportButton(ZRExportView::Play)->isEnabled());
    view->setControlsEnabled(true);
    EXPECT_TRUE(view->profileBox()->isEnabled());
    EXPECT_FALSE(view->saveButton()->isEnabled()); // a built-in profile
    EXPECT_TRUE(view->tabBar()->isEnabled());
}

// The camera page's play request works as a click on the play toggle: the preview plays with
// the other controls off, and its stop gives them back.
TEST_F(PlayerTest, PlaybackButtonRequestsToggleThePlayButton) {
    makeProject(25, 3);
    view->show();
    view->slotEnablePlaybackButton();
    EXPECT_TRUE(view->transportButton(ZRExportView::Play)->isChecked());
    EXPECT_FALSE(view->renderButton()->isEnabled());
    EXPECT_FALSE(view->slider()->isEnabled());
    EXPECT_FALSE(view->transportButton(ZRExportView::Rewind)->isEnabled());
    view->slotDisablePlaybackButton();
    EXPECT_FALSE(view->transportButton(ZRExportView::Play)->isChecked());
    view->stateChanged();
    if (view->preview()->playState() == ZRSBPreview::Stopped) {
        EXPECT_TRUE(view->renderButton()->isEnabled());
        EXPECT_TRUE(view->transportButton(ZRExportView::Rewind)->isEnabled());
    }
}

#include "tests/browser/TitlesFixture.h"

#include "browser/ZRTextPreview.h"
#include "classes/widgets/ZRPushButton.h"
#include "editor/ZRScopedPos.h"
#include "engine/api/IZRPos.h"
#include "engine/api/IZRTimeline.h"

#include <QAbstractButton>

namespace {

using titlestest::TitlesTest;

class TitlePreviewTest : public TitlesTest {
protected:
    QAbstractButton* button(ZRBrowserTitlesView::Control c) {
        return static_cast<QAbstractButton*>(page->control(c));
    }
    void setFrames(IZRObject* object, int frames) {
        ZRScopedPos markOut(timeline->factory());
        markOut->setFrames(frames);
        timeline->setObjectMarkOut(object, markOut);
    }
};

TEST_F(TitlePreviewTest, SafeAreaIsEightyPercentAndThree) {
    EXPECT_EQ(ZRTextPreview::safeAreaFor(QSize(320, 240)), QRect(30, 22, 259, 195));
    EXPECT_EQ(ZRTextPreview::safeAreaFor(QSize(0, 0)), QRect(-2, -2, 3, 3));
}

TEST_F(TitlePreviewTest, StillPreviewShowsTheTitleUnfadedWithItsSafeArea) {
    makePage();
    tabBar->setCurrentTab(1);
    ZRTextPreview* preview = page->textPreview();
    ASSERT_TRUE(preview->isVisible());
    IZRObject* title = page->editedObject();
    settingsOf(title)->setIntSetting("Overlay Fade In", 1);
    settingsOf(title)->setIntSetting("Overlay Fade Time", 3000);
    page->generatePreview(QRegion(preview->rect()));
    EXPECT_EQ(intOf(title, "Overlay Fade In"), 1);
    EXPECT_GE(titlestest::inkRows(page->previewImage()).first, 0);
    EXPECT_EQ(preview->safeArea(), ZRTextPreview::safeAreaFor(preview->size()));
    EXPECT_EQ(preview->frame(), page->previewImage());
    const QImage shot = preview->grab().toImage();
    const QRect safe = preview->safeArea();
    // The dashed outline changes pixels along the safe area's edge.
    int changed = 0;
    for (int x = safe.left(); x < safe.right(); ++x)
        changed += shot.pixel(x, safe.top()) != shot.pixel(x, safe.top() + 1);
    EXPECT_GT(changed, safe.width() / 4);

    // Playing renders the fades as set: frame 0 of a fade-in shows nothing.
    page->previewClicked();
    ASSERT_TRUE(page->isPreviewRunning());
    EXPECT_EQ(static_cast<ZRPushButton*>(button(ZRBrowserTitlesView::PreviewButton))->text(),
              "Stop Preview");
    page->generatePreview(QRegion(preview->rect()));
    EXPECT_EQ(titlestest::inkRows(page->previewImage()).first, -1);
    EXPECT_TRUE(preview->safeArea().isNull());
    page->previewClicked();
    EXPECT_FALSE(page->isPreviewRunning());
    EXPECT_EQ(button(ZRBrowserTitlesView::PreviewButton)->text(), "Preview");
}

TEST_F(TitlePreviewTest, EndToggleShowsTheLastFrameAndOneFrameStopsAtOnce) {
    makePage();
    tabBar->setCurrentTab(1);
    IZRObject* title = page->editedObject();
    button(ZRBrowserTitlesView::ScrollToggle)->setChecked(true);
    button(ZRBrowserTitlesView::EndToggle)->setChecked(true);
    page->generatePreview(QRegion(page->textPreview()->rect()));
    EXPECT_EQ(page->previewPosition()->toFrames(), title->duration()->toFrames() - 1);
    button(ZRBrowserTitlesView::StartToggle)->setChecked(true);
    page->generatePreview(QRegion(page->textPreview()->rect()));
    EXPECT_EQ(page->previewPosition()->toFrames(), 0);

    setFrames(title, 1);
    page->previewClicked();
    page->preview();
    EXPECT_FALSE(page->isPreviewRunning());
    EXPECT_EQ(page->previewPosition()->toFrames(), 0);

    setFrames(title, 3);
    page->previewClicked();
    page->preview();
    EXPECT_TRUE(page->isPreviewRunning());
    EXPECT_EQ(page->previewPosition()->toFrames(), 1);
    page->preview();
    page->preview();
    EXPECT_FALSE(page->isPreviewRunning());
}

TEST_F(TitlePreviewTest, PreviewInkScalesWithTheFrameHeight) {
    makePage();
    tabBar->setCurrentTab(1);
    IZRObject* title = page->editedObject();
    const int previewHeight = page->textPreview()->height();
    page->generatePreview(QRegion(page->textPreview()->rect()));
    const auto [top, bottom] = titlestest::inkRows(page->previewImage());
    ASSERT_GE(top, 0);
    double ratio = 0.0;
    ASSERT_TRUE(settingsOf(title)->getDoubleSetting("Text Size Ratio", &ratio));
    EXPECT_EQ(ratio, 1.0);

    IZRImage* full = timeline->factory()->createImage(720, 576, 0);
    ZRScopedPos start(timeline->factory());
    title->renderVideo(start, full);
    const auto [fullTop, fullBottom] = titlestest::inkRows(full);
    timeline->factory()->destroyImage(full);
    ASSERT_GE(fullTop, 0);
    const double expected = (fullBottom - fullTop + 1) * double(previewHeight) / 576.0;
    EXPECT_NEAR(bottom - top + 1, expected, 2.0)
        << "preview " << previewHeight << " lines, full-frame ink " << fullBottom - fullTop + 1;
}

} // namespace

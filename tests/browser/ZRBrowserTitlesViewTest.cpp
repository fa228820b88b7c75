#include "tests/browser/TitlesFixture.h"

#include "browser/ZRTitleMarkup.h"
#include "classes/widgets/ZRComboBox.h"
#include "classes/widgets/ZRPushButton.h"

#include <QAbstractButton>
#include <QTextEdit>

namespace {

using titlestest::TitlesTest;

class TitlesPageTest : public TitlesTest {
protected:
    QAbstractButton* button(ZRBrowserTitlesView::Control c) {
        return static_cast<QAbstractButton*>(page->control(c));
    }
    QComboBox* combo(ZRBrowserTitlesView::Control c) {
        return static_cast<QComboBox*>(page->control(c));
    }
    void press(ZRBrowserTitlesView::Control c, QPoint at = QPoint(2, 2)) {
        QTest::mousePress(page->control(c), Qt::LeftButton, {}, at);
    }
    int edited(const char* key) { return intOf(page->editedObject(), key); }
    double duration() { return ZRBrowserTitlesBrowser::durationMs(page->editedObject()); }
    /// A stored title of `markup`, added through the browser.
    ZRTitleIconItem* storedTitle(const QString& markup) {
        IZRObject* source = newTitle(markup);
        ZRTitleIconItem* item = browser->addTitle(source);
        timeline->factory()->destroyObject(source);
        return item;
    }
};

TEST_F(TitlesPageTest, StateAfterConstructionAndBinding) {
    makePage(false);
    using V = ZRBrowserTitlesView;
    for (V::Control c : {V::StartToggle, V::EndToggle, V::FadeInToggle, V::FadeOutToggle,
                         V::FadeTimeCombo, V::PreviewButton})
        EXPECT_FALSE(page->control(c)->isEnabled()) << c;
    EXPECT_EQ(page->positionName(), "middle_centered");
    EXPECT_TRUE(page->isOnScreen());
    EXPECT_FALSE(page->isEditorTabActive());
    EXPECT_FALSE(page->isPreviewSuppressed());
    EXPECT_EQ(page->objectName(), "TitlesView");
    EXPECT_EQ(page->scratchObject(), nullptr);
    page->resetClicked(); // inert before binding
    page->generatePreview(QRegion(0, 0, 10, 10));

    page->attachProject(timeline);
    ASSERT_NE(page->scratchObject(), nullptr);
    EXPECT_EQ(page->editedObject(), page->scratchObject());
    EXPECT_EQ(markupOf(page->scratchObject()),
              "<!Font=Times New Roman!><!Size=40!><!Color=R:0,G:0,B:0!>New Title");
    EXPECT_STREQ(page->scratchObject()->name(), "New Title");
    EXPECT_EQ(intOf(page->scratchObject(), "Text AntiAlias"), 1);
    EXPECT_EQ(duration(), 3000.0);
    QComboBox* fonts = combo(V::FontCombo);
    ASSERT_GT(fonts->count(), 1);
    for (int i = 1; i < fonts->count(); ++i)
        EXPECT_LE(fonts->itemText(i - 1).compare(fonts->itemText(i), Qt::CaseInsensitive), 0);
    EXPECT_EQ(fonts->currentText(), "Times New Roman");
    EXPECT_EQ(combo(V::SizeCombo)->currentText(), "40");
    ASSERT_NE(page->textPreview(), nullptr);
    EXPECT_EQ(page->textPreview()->parentWidget(), appState().previewFrame.data());
    ASSERT_NE(page->previewImage(), nullptr);
    EXPECT_EQ(page->previewImage()->width(), page->textPreview()->width());

    // The profile format of the settings file chooses the size.
    settings().setGroup("General Settings");
    settings().writeEntry("ProfileDialogFormat", 1);
    page->resetClicked();
    EXPECT_EQ(markupOf(page->scratchObject()),
              "<!Font=Times New Roman!><!Size=20!><!Color=R:0,G:0,B:0!>New Title");
}

TEST_F(TitlesPageTest, FadesAndDurationKeepTheirLimits) {
    makePage();
    using V = ZRBrowserTitlesView;
    QComboBox* durationBox = combo(V::DurationCombo);
    QComboBox* fadeBox = combo(V::FadeTimeCombo);
    page->durationSelected("0");
    EXPECT_EQ(duration(), 3000.0);
    EXPECT_EQ(durationBox->currentText(), "3");
    page->durationSelected("100");
    EXPECT_EQ(duration(), 100000.0);
    page->durationSelected("100.1");
    EXPECT_EQ(duration(), 100000.0);
    EXPECT_EQ(durationBox->currentText(), "100");

    // Both fades of 3 s leave room in 4 s only when the fade time drops to 2 s.
    button(V::FadeToggle)->setChecked(true);
    EXPECT_TRUE(fadeBox->isEnabled());
    button(V::FadeInToggle)->setChecked(true);
    button(V::FadeOutToggle)->setChecked(true);
    EXPECT_TRUE(button(V::PreviewButton)->isEnabled());
    page->fadeDurationSelected("3");
    EXPECT_EQ(edited("Overlay Fade Time"), 3000);
    page->durationSelected("4");
    EXPECT_EQ(duration(), 4000.0);
    EXPECT_EQ(edited("Overlay Fade Time"), 2000);
    EXPECT_EQ(fadeBox->currentText(), "2");
    page->fadeDurationSelected("20.5");
    EXPECT_EQ(edited("Overlay Fade Time"), 2000);

    // One fade longer than the title lengthens it.
    button(V::FadeOutToggle)->setChecked(false);
    page->durationSelected("1");
    page->fadeDurationSelected("5");
    EXPECT_EQ(duration(), 5000.0);
    EXPECT_EQ(durationBox->currentText(), "5");
    button(V::FadeToggle)->setChecked(false);
    EXPECT_EQ(edited("Overlay Fade In"), 0);
    EXPECT_FALSE(button(V::PreviewButton)->isEnabled());
}

TEST_F(TitlesPageTest, ControlsWriteTheTitle) {
    makePage();
    using V = ZRBrowserTitlesView;
    page->textEdit()->setPlainText("");
    EXPECT_EQ(markupOf(page->editedObject()),
              "<!Font=Times New Roman!><!Size=40!><!Color=R:0,G:0,B:0!>");
    button(V::AlignRight)->click();
    EXPECT_EQ(edited("Text Alignment"), 2);
    page->fontKerningChanged("8");
    page->fontLineHeightChanged("20");
    EXPECT_EQ(edited("Text Separator Width"), 8);
    EXPECT_EQ(edited("Text Separator Height"), 20);

    // Grid presses between cells change nothing; a cell writes its start codes.
    press(V::PositionGrid, QPoint(5, 20));
    EXPECT_EQ(page->positionName(), "middle_centered");
    press(V::PositionGrid, QPoint(3, 3));
    EXPECT_EQ(page->positionName(), "top_left");
    EXPECT_EQ(edited("Text StartX Pos"), 1);
    EXPECT_EQ(edited("Text StartY Pos"), 1);
    // With scroll on, the end position goes off screen by the picture's right half.
    button(V::ScrollToggle)->setChecked(true);
    EXPECT_EQ(edited("Text Movement"), 1);
    button(V::EndToggle)->setChecked(true);
    EXPECT_FALSE(button(V::StartToggle)->isChecked());
    press(V::PositionGrid, QPoint(70, 50));
    press(V::ScreenPicture, QPoint(50, 5));
    EXPECT_EQ(page->positionName(), "bottom_right");
    EXPECT_FALSE(page->isOnScreen());
    EXPECT_EQ(edited("Text EndX Pos"), 2);
    EXPECT_EQ(edited("Text EndY Pos"), 3);
    EXPECT_EQ(edited("Text StartX Pos"), 1);
    // The centre is 4, 4 on or off screen.
    press(V::PositionGrid, QPoint(40, 30));
    press(V::ScreenPicture, QPoint(50, 5));
    EXPECT_EQ(edited("Text EndX Pos"), 4);
    EXPECT_EQ(edited("Text EndY Pos"), 4);
    button(V::EndToggle)->setChecked(false);
    EXPECT_TRUE(button(V::StartToggle)->isChecked());
    EXPECT_EQ(page->positionName(), "top_left");

    // Colours: a cancelled dialog changes nothing; the background turns the fill on.
    colours.answer = QColor();
    press(V::TextColourSwatch);
    EXPECT_EQ(page->textColor(), QColor(0, 0, 0));
    colours.answer = QColor(10, 20, 30);
    press(V::TextColourSwatch);
    EXPECT_EQ(titlemarkup::colour(markupOf(page->editedObject())), QColor(10, 20, 30));
    colours.answer = QColor(40, 50, 60);
    press(V::BackgroundSwatch);
    EXPECT_TRUE(button(V::FillToggle)->isChecked());
    EXPECT_EQ(edited("Text Opaque Background"), 1);
    int r = 0, g = 0, b = 0;
    settingsOf(page->editedObject())->getIntTripleSetting("Text Background Color", &r, &g, &b);
    EXPECT_EQ(QColor(r, g, b), QColor(40, 50, 60));
    EXPECT_EQ(colours.calls, 3);
}

TEST_F(TitlesPageTest, TitleTextSurvivesClicksAndSaves) {
    makePage();
    tabBar->setCurrentTab(1);
    ASSERT_TRUE(page->isVisible());
    page->textEdit()->setPlainText("Happy Birthday! <3");
    EXPECT_STREQ(page->editedObject()->name(), "Happy Birthd");
    page->confirmClicked();
    ASSERT_EQ(browser->count(), 1);
    auto* item = static_cast<ZRTitleIconItem*>(browser->firstItem());
    EXPECT_EQ(item->text(), "Happy Birthday! <3");
    const QString markup = markupOf(item->object());
    EXPECT_TRUE(markup.endsWith("Happy Birthday! <3"));
    tabBar->setCurrentTab(0);
    page->browserItemClicked(item);
    EXPECT_EQ(markupOf(item->object()), markup);
    page->browserItemDClicked(item);
    EXPECT_EQ(page->editedObject(), item->object());
    EXPECT_EQ(page->textEdit()->toPlainText(), "Happy Birthday! <3");
    EXPECT_EQ(markupOf(item->object()), markup);
    EXPECT_FALSE(page->control(ZRBrowserTitlesView::SaveTitleButton)->isEnabled());
    tabBar->setCurrentTab(0);
    browser->saveTitles();
    settings().setGroup("TextObject0_Happy Birthday! <3");
    EXPECT_EQ(settings().readEntry("Text"), markup);
}

TEST_F(TitlesPageTest, FamiliesAndSizesOfATitleAreKept) {
    makePage();
    ZRTitleIconItem* item =
        storedTitle("<!Font=No Such Family!><!Size=37!><!Color=R:1,G:2,B:3!>Hi!");
    page->browserItemClicked(item);
    QComboBox* fonts = combo(ZRBrowserTitlesView::FontCombo);
    QComboBox* sizes = combo(ZRBrowserTitlesView::SizeCombo);
    EXPECT_EQ(fonts->currentText(), "No Such Family");
    EXPECT_EQ(sizes->currentText(), "37");
    const int at = sizes->currentIndex();
    EXPECT_EQ(sizes->itemText(at - 1), "36");
    EXPECT_EQ(sizes->itemText(at + 1), "38");
    EXPECT_EQ(markupOf(item->object()),
              "<!Font=No Such Family!><!Size=37!><!Color=R:1,G:2,B:3!>Hi!");
}

TEST_F(TitlesPageTest, TheItemToRefreshIsForgottenWithItsTitle) {
    makePage();
    ZRTitleIconItem* first = storedTitle("<!Font=Arial!>first");
    storedTitle("<!Font=Arial!>second");
    page->browserItemDClicked(first);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->refreshItem(), first);
    EXPECT_EQ(page->editingItem(), first);
    tabBar->setCurrentTab(0);
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(page->refreshItem(), nullptr);

    // Double-click, browse, delete, create, browse.
    page->browserItemDClicked(first);
    page->textEdit()->setPlainText("renamed");
    EXPECT_EQ(first->text(), "renamed");
    tabBar->setCurrentTab(0);
    browser->setSelected(first, true, false);
    browser->deleteSelectedItems();
    tabBar->setCurrentTab(1);
    tabBar->setCurrentTab(0);
    EXPECT_EQ(browser->count(), 1);

    // Deleted while it waits: nothing refreshes a freed item.
    ZRIconViewItem* second = browser->firstItem();
    page->browserItemDClicked(second);
    ASSERT_EQ(page->editedObject(), static_cast<ZRTitleIconItem*>(second)->object());
    browser->setSelected(second, true, false);
    browser->deleteSelectedItems();
    EXPECT_EQ(page->refreshItem(), nullptr);
    EXPECT_EQ(page->editingItem(), nullptr);
    EXPECT_EQ(page->editedObject(), page->scratchObject());
    tabBar->setCurrentTab(0);
}

TEST_F(TitlesPageTest, ResizesReplaceThePreviewImage) {
    makePage();
    tabBar->setCurrentTab(1);
    for (int i = 0; i < 20; ++i) {
        page->resize(330 + i, 470 - i);
        QCoreApplication::processEvents();
        ASSERT_NE(page->previewImage(), nullptr);
        EXPECT_EQ(page->previewImage()->height(), page->textPreview()->height());
    }
    EXPECT_EQ(page->textEdit()->size(), QSize(330 + 19 - 13, 470 - 19 - 225));
    EXPECT_EQ(page->textPreview()->geometry(),
              static_cast<ZRSBPreviewFrame*>(appState().previewFrame.data())->contentRect());
    const QWidget* reset = page->control(ZRBrowserTitlesView::ResetButton);
    const QWidget* save = page->control(ZRBrowserTitlesView::SaveTitleButton);
    EXPECT_EQ(page->control(ZRBrowserTitlesView::SaveToDiskButton)->pos(),
              QPoint(175, page->height() - 20));
    EXPECT_EQ(save->x(), reset->x() + reset->width() + 5);
    page->hideAllPreviews();
    EXPECT_FALSE(page->textPreview()->isVisible());
}

} // namespace

#include "tests/browser/TitlesFixture.h"

#include "browser/ZRTitleMarkup.h"
#include "editor/ZRTitleDrag.h"

#include <QDrag>

namespace {

using titlestest::TitlesTest;

class TitlesBrowserTest : public TitlesTest {
protected:
    ZRBrowserTitlesBrowser* shownBrowser() {
        titlesPanel =
            std::make_unique<QSBWidget>(browsertest::panelBackground(QSize(330, 300)), false);
        titlesPanel->resize(330, 300);
        auto* view = new ZRBrowserTitlesBrowser(titlesPanel.get(), "titles");
        view->setGeometry(0, 0, 330, 300);
        titlesPanel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(titlesPanel.get()));
        return view;
    }

    /// Adds a title of `text` (markup tags before it) with a distinct alignment, and a ground of
    /// (10, 20, 30), filled when `opaque` (the colour alone turns the fill on).
    ZRTitleIconItem* add(ZRBrowserTitlesBrowser* view, const QString& text, int alignment = 2,
                         bool opaque = false) {
        IZRObject* source = newTitle("<!Font=Arial!><!Size=20!><!Color=R:9,G:8,B:7!>" + text);
        settingsOf(source)->setIntSetting("Text Alignment", alignment);
        settingsOf(source)->setIntTripleSetting("Text Background Color", 10, 20, 30);
        settingsOf(source)->setIntSetting("Text Opaque Background", opaque ? 1 : 0);
        ZRTitleIconItem* item = view->addTitle(source);
        timeline->factory()->destroyObject(source);
        return item;
    }
};

TEST_F(TitlesBrowserTest, TitlesComeBackAsTheyWereStored) {
    const struct {
        const char* text;
        const char* label;
    } rows[] = {
        {"Line\nbreak", "Line\nbreak"},
        {"a]b", "a]b"},
        {"Same", "Same"},
        {"Same", "Same"},
        {"", "No Text"},
        {"A long title over\nseveral lines", "A long title over"},
        {"Hello\nWorld!", "Hello\nWorld!"},
        {"Only $5 for $HOME", "Only $5 for $HOME"},
        {"$$", "$$"},
    };
    ZRBrowserTitlesBrowser* view = shownBrowser();
    view->setEngine(timeline);
    QStringList expected;
    QStringList texts;
    for (const auto& row : rows) {
        // Every other title has a filled ground.
        ASSERT_NE(add(view, QString::fromUtf8(row.text), 2, texts.size() % 2 == 1), nullptr);
        expected << QString::fromUtf8(row.label);
        texts << QString::fromUtf8(row.text);
    }
    // A title far longer than a settings line used to hold, on one line and over two.
    for (const QString& text :
         {QString(66000, QLatin1Char('x')), QString(40000, QLatin1Char('y')) + "\n" + "end"}) {
        ASSERT_NE(add(view, text, 2), nullptr);
        expected << titlemarkup::label(text);
        texts << text;
    }
    EXPECT_EQ(labels(view), expected);
    EXPECT_EQ(view->currentItem(), view->lastItem());
    EXPECT_EQ(objectGroups().size(), int(texts.size()));
    EXPECT_TRUE(settings().groupList().contains("TextObject1_a_b"));
    EXPECT_TRUE(settings().groupList().contains("TextObject0_LinexNxbreak"));

    titlesPanel.reset(); // the destructor writes the titles, the settings object's end saves them
    appState().setSettings(nullptr, nullptr);
    openSettings();
    ZRBrowserTitlesBrowser* again = shownBrowser();
    again->setEngine(timeline);
    EXPECT_EQ(labels(again), expected);
    ASSERT_TRUE(again->firstItem()->isSelected());
    int row = 0;
    for (ZRIconViewItem* i = again->firstItem(); i; i = i->nextItem(), ++row) {
        SCOPED_TRACE(row);
        IZRObject* object = static_cast<ZRTitleIconItem*>(i)->object();
        EXPECT_EQ(titlemarkup::editText(markupOf(object)), texts[row]);
        EXPECT_EQ(intOf(object, "Text Alignment"), 2);
        EXPECT_EQ(intOf(object, "Text Opaque Background"), row < int(std::size(rows)) ? row % 2 : 0)
            << "a transparent title stays transparent, a filled one filled";
        int r = 0, g = 0, b = 0;
        settingsOf(object)->getIntTripleSetting("Text Background Color", &r, &g, &b);
        EXPECT_EQ(QColor(r, g, b), QColor(10, 20, 30));
        ASSERT_NE(i->pixmap(), nullptr);
        EXPECT_EQ(i->pixmap()->size(), QSize(60, 40));
        EXPECT_EQ(i->pixmap()->pixel(0, 0), 0xFF000000u);
        EXPECT_EQ(i->pixmap()->pixel(59, 39), 0xFF000000u);
    }
}

TEST_F(TitlesBrowserTest, EverySaveDropsStaleGroups) {
    writeSettings("[TextObject7_gone]\nText=old\n[TextList]\nNumProfiles=0\nProfile5=gone\n");
    ZRBrowserTitlesBrowser* view = shownBrowser();
    view->setEngine(timeline);
    for (const char* text : {"one", "two", "three"})
        add(view, text);
    EXPECT_EQ(objectGroups(),
              QStringList({"TextObject0_one", "TextObject1_two", "TextObject2_three"}));
    view->setSelected(view->firstItem(), true, false);
    view->setSelected(view->firstItem()->nextItem(), true, true);
    view->deleteSelectedItems();
    add(view, "four");
    EXPECT_EQ(objectGroups(), QStringList({"TextObject0_three", "TextObject1_four"}));
    settings().setGroup("TextList");
    EXPECT_FALSE(settings().hasKey("Profile5"));
    EXPECT_EQ(settings().readNumEntry("NumProfiles"), 2);
}

TEST_F(TitlesBrowserTest, LoadingWalksTheLabelsPresent) {
    // A huge count makes nothing by itself; keys the object refuses or cannot read leave the
    // values of a new title.
    writeSettings("[TextList]\nNumProfiles=2147483647\nProfile0=first\nProfile9=second\n"
                  "ProfileX=junk\n"
                  "[TextObject0_first]\nText=<!Font=Arial!>firstxNxline\nText Alignment=abc\n"
                  "Text Duration=-5\nText Background Color=nonsense\nOverlay Fade Time=2500\n"
                  "[TextObject9_second]\nText Duration=4000\n");
    IZRObject* fresh = newTitle(ZRBrowserTitlesBrowser::kLoadMarkup);
    const int defaultAlignment = intOf(fresh, "Text Alignment");
    const double defaultDuration = ZRBrowserTitlesBrowser::durationMs(fresh);
    timeline->factory()->destroyObject(fresh);

    ZRBrowserTitlesBrowser* view = shownBrowser();
    view->setEngine(timeline);
    ASSERT_EQ(labels(view), QStringList({"first", "second"}));
    IZRObject* first = static_cast<ZRTitleIconItem*>(view->firstItem())->object();
    IZRObject* second = static_cast<ZRTitleIconItem*>(view->lastItem())->object();
    EXPECT_EQ(markupOf(first), "<!Font=Arial!>first\nline");
    EXPECT_STREQ(first->name(), "<!Font=Arial");
    EXPECT_EQ(intOf(first, "Text Alignment"), defaultAlignment);
    EXPECT_EQ(intOf(first, "Overlay Fade Time"), 2500);
    EXPECT_EQ(ZRBrowserTitlesBrowser::durationMs(first), defaultDuration);
    EXPECT_EQ(markupOf(second), ZRBrowserTitlesBrowser::kLoadMarkup);
    EXPECT_EQ(ZRBrowserTitlesBrowser::durationMs(second), 4000.0);

    titlesPanel.reset();
    writeSettings("[TextList]\nProfile0=no count\n");
    ZRBrowserTitlesBrowser* none = shownBrowser();
    none->setEngine(timeline);
    EXPECT_EQ(none->count(), 0);
}

// A view given its engine while hidden makes its titles when it is first shown, or when a title
// is added; one that never made them leaves the stored titles as they are.
TEST_F(TitlesBrowserTest, HiddenViewsLoadTheTitlesWhenShownOrAdded) {
    writeSettings("[TextList]\nNumProfiles=2\nProfile0=first\nProfile1=second\n"
                  "[TextObject0_first]\nText=first\n[TextObject1_second]\nText=second\n");
    {
        ZRBrowserTitlesBrowser hidden(nullptr, "hidden");
        hidden.setEngine(timeline);
        EXPECT_EQ(hidden.count(), 0);
    }
    EXPECT_EQ(objectGroups(), QStringList({"TextObject0_first", "TextObject1_second"}));
    {
        ZRBrowserTitlesBrowser hidden(nullptr, "hidden");
        hidden.setEngine(timeline);
        IZRObject* source = newTitle("third");
        ASSERT_NE(hidden.addTitle(source), nullptr);
        timeline->factory()->destroyObject(source);
        EXPECT_EQ(labels(&hidden), QStringList({"first", "second", "third"}));
    }
    EXPECT_EQ(objectGroups().size(), 3);
    ZRBrowserTitlesBrowser* view = shownBrowser();
    view->hide();
    view->setEngine(timeline);
    EXPECT_EQ(view->count(), 0);
    view->show();
    EXPECT_EQ(labels(view), QStringList({"first", "second", "third"}));
    EXPECT_TRUE(view->firstItem()->isSelected());
}

TEST_F(TitlesBrowserTest, DeletingAnnouncesTheObjectsAndTheNextTitle) {
    ZRBrowserTitlesBrowser* view = shownBrowser();
    view->setEngine(timeline);
    for (const char* text : {"a", "b", "c"})
        add(view, text);
    QList<IZRObject*> deleting;
    QList<ZRIconViewItem*> shown;
    QObject::connect(view, &ZRBrowserTitlesBrowser::deletingTextObject,
                     [&](IZRObject* o) { deleting << o; });
    QObject::connect(view, &ZRBrowserTitlesBrowser::previewBrowserItem,
                     [&](ZRIconViewItem* i) { shown << i; });
    ZRIconViewItem* b = view->firstItem()->nextItem();
    IZRObject* bObject = static_cast<ZRTitleIconItem*>(b)->object();
    view->setSelected(b, true, false);
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_EQ(deleting.size(), 1);
    EXPECT_EQ(deleting[0], bObject);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], view->lastItem());
    EXPECT_EQ(view->currentItem(), view->lastItem());
    EXPECT_EQ(labels(view), QStringList({"a", "c"}));

    view->selectAll(true);
    view->deleteSelectedItems();
    EXPECT_EQ(deleting.size(), 3);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1], nullptr);
    EXPECT_EQ(view->count(), 0);
}

TEST_F(TitlesBrowserTest, DragCarriesTheLastSelectedTitle) {
    ZRBrowserTitlesBrowser* view = shownBrowser();
    view->setEngine(timeline);
    add(view, "first", 0);
    add(view, "second", 2);
    view->selectAll(true);
    std::unique_ptr<QDrag> drag(view->dragObject());
    ASSERT_TRUE(drag);
    auto* data = dynamic_cast<ZRTitleDrag*>(drag->mimeData());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->count(), 2);
    EXPECT_EQ(data->dragSource(), view->viewport());
    const ZRTitleSettings& record = data->settings();
    EXPECT_EQ(titlemarkup::editText(record.text), "second");
    EXPECT_EQ(record.alignment, 2);
    EXPECT_EQ(record.duration, ZRBrowserTitlesBrowser::durationMs(
                                   static_cast<ZRTitleIconItem*>(view->lastItem())->object()));
    EXPECT_EQ(record.backgroundColor >> 24, 0xFFu);
}

TEST_F(TitlesBrowserTest, IconsRenderWithoutVideoDimensions) {
    timeline->settings()->setIntPairSetting("Video Dimensions", 0, 0);
    ZRBrowserTitlesBrowser* view = shownBrowser();
    view->setEngine(timeline);
    ZRTitleIconItem* item = add(view, "no frame");
    ASSERT_NE(item, nullptr);
    ASSERT_NE(item->pixmap(), nullptr);
    EXPECT_EQ(item->pixmap()->size(), QSize(60, 40));
    EXPECT_EQ(item->pixmap()->pixel(0, 20), 0xFF000000u);
    // Nothing to copy: no title and no engine give no item.
    EXPECT_EQ(view->addTitle(nullptr), nullptr);
    ZRBrowserTitlesBrowser unbound;
    IZRObject* source = newTitle("x");
    EXPECT_EQ(unbound.addTitle(source), nullptr);
    timeline->factory()->destroyObject(source);
}

} // namespace

#include "browser/ZRBrowserEffectsView.h"
#include "browser/ZRBrowserTransView.h"
#include "classes/pixels/ZRPixelRoutines.h"
#include "editor/ZREngineDrag.h"
#include "engine/timeline/ZRTimeline.h"
#include "tests/browser/BrowserFixture.h"

#include <QDir>
#include <QDrag>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

using browsertest::BrowserTest;

// What differs between the two pages, with the module fixture tree's answers.
struct EnginePageCase {
    const char* label;
    ZRBrowserEngineView* (*make)(QWidget* parent);
    ZREngineAnimation& (*animation)();
    const char* kind;
    const char* group;
    QStringList entries;
    const char* info;
    // The layer whose size the animation frames have and where they stand.
    ZREngineSkinLayers::Which anchor;
};

void PrintTo(const EnginePageCase& c, std::ostream* out) {
    *out << c.label;
}

const EnginePageCase kEnginePages[] = {
    {"Effects", [](QWidget* p) -> ZRBrowserEngineView* { return new ZRBrowserEffectsView(p); },
     &ZRBrowserEffectsView::sharedAnimation, "Video Effect", "Colour",
     QStringList{"Test Invert", "Test Plain"}, "Inverts the picture", ZREngineSkinLayers::Effects},
    {"Transitions", [](QWidget* p) -> ZRBrowserEngineView* { return new ZRBrowserTransView(p); },
     &ZRBrowserTransView::sharedAnimation, "Transition", "Basic", QStringList{"Test Fade"},
     "Blends the first picture into the second", ZREngineSkinLayers::ClipA},
};

class EnginePage : public BrowserTest, public ::testing::WithParamInterface<EnginePageCase> {
protected:
    void TearDown() override {
        page = nullptr;
        BrowserTest::TearDown();
    }

    /// A shown page on a skinned panel.
    ZRBrowserEngineView* makePage(IZRTimeline* engine) {
        const QSize size(360, 260);
        panel = std::make_unique<QSBWidget>(browsertest::panelBackground(size), false);
        panel->resize(size);
        page = GetParam().make(panel.get());
        page->setGeometry(5, 5, size.width() - 10, size.height() - 10);
        page->setTimeline(engine);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        return page;
    }

    QStringList shown() const {
        QStringList texts;
        for (ZRIconViewItem* i = page->firstItem(); i; i = i->nextItem())
            texts.append(i->text());
        return texts;
    }

    ZREngineIconViewItem* entry(int index = 0) const {
        ZRIconViewItem* i = page->firstItem();
        for (; i && index > 0; --index)
            i = i->nextItem();
        return dynamic_cast<ZREngineIconViewItem*>(i);
    }

    void openGroup() {
        page->folderClicked(page->firstItem());
        ASSERT_TRUE(page->inFolder());
    }

    /// One tick, then the paint it asked for.
    void tick() {
        page->paintTimer();
        QCoreApplication::processEvents();
    }

    QImage grabViewport() const { return page->viewport()->grab().toImage(); }

    /// The id the next engine object would get: ids are never reused, so an unchanged answer
    /// means nothing was made in between.
    int32_t nextHandle() const {
        auto* t = static_cast<ZRTimeline*>(timeline);
        ZREffect* probe = t->createEffect("Video Effect", "Colour", "Test Invert");
        const int32_t id = t->handles().handleOf(probe);
        t->destroyEffect(probe);
        return id;
    }

    ZRBrowserEngineView* page = nullptr;
};

TEST_P(EnginePage, ReloadListsGroupsThenEntriesWithTheirTexts) {
    const EnginePageCase& p = GetParam();
    makePage(timeline);
    EXPECT_EQ(page->groups(), QStringList{p.group});
    EXPECT_EQ(shown(), QStringList{p.group});
    ASSERT_NE(entry(), nullptr);
    EXPECT_TRUE(entry()->isFolder());
    EXPECT_EQ(page->entries().size(), p.entries.size());
    // A second timeline lists everything once.
    page->setTimeline(timeline);
    EXPECT_EQ(page->entries().size(), p.entries.size());
    EXPECT_EQ(shown(), QStringList{p.group});

    QSignalSpy changed(page, &ZRBrowserEngineView::folderChanged);
    QSignalSpy named(page, &ZRBrowserEngineView::folderNameChanged);
    openGroup();
    EXPECT_EQ(shown(), p.entries);
    EXPECT_EQ(entry()->info(), p.info);
    EXPECT_EQ(entry()->kind(), p.kind);
    EXPECT_EQ(entry()->group(), p.group);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toBool(), true);
    EXPECT_EQ(named[0][0].toString(), p.group);
    // The engine drew the first entry: its thumbnail is no longer the bare layer.
    const QImage bare = page->skinLayers()[ZREngineSkinLayers::SmallIcon].image->convertToFormat(
        QImage::Format_ARGB32);
    EXPECT_NE(*entry()->pixmap(), bare);

    // Inside a group a click does nothing; going up announces the top level, once.
    page->folderClicked(entry());
    EXPECT_EQ(changed.size(), 1);
    page->showFolders();
    page->showFolders();
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[1][0].toBool(), false);
    EXPECT_EQ(named[1][0].toString(), p.kind);
    page->emitFolderState();
    EXPECT_EQ(named.size(), 3);
    EXPECT_EQ(named[2][0].toString(), p.kind);
}

TEST_P(EnginePage, PhaseTurnsAtBothEnds) {
    ZREngineAnimation& a = GetParam().animation();
    makePage(timeline);
    // Only the ticks below move the phase: the page's own timer would add ticks of its own on
    // a slow machine.
    page->stopAnimation();
    a = {0.99, true};
    tick();
    EXPECT_EQ(a.phase, 1.0);
    EXPECT_FALSE(a.rising);
    tick();
    EXPECT_DOUBLE_EQ(a.phase, 0.97);
    a = {0.01, false};
    tick();
    EXPECT_EQ(a.phase, 0.0);
    EXPECT_TRUE(a.rising);
    a = {};
}

// Ticks render into the items and paint nothing themselves; they make no engine objects.
TEST_P(EnginePage, TicksAnimateWithoutMakingEngineObjects) {
    makePage(timeline);
    openGroup();
    GetParam().animation() = {};
    const int32_t before = nextHandle();
    const QImage bare = grabViewport();
    QImage early;
    for (int n = 0; n < 100; ++n) {
        tick();
        if (n == 5) early = grabViewport();
    }
    EXPECT_EQ(nextHandle(), before + 1);
    ASSERT_FALSE(entry()->animationFrame().isNull());
    EXPECT_EQ(entry()->animationFrame().size(), page->skinLayers()[GetParam().anchor].size());
    // The fixture's fade follows the phase; its effects do not, and their frames cover the
    // thumbnail's rendering exactly.
    if (GetParam().anchor == ZREngineSkinLayers::ClipA) {
        EXPECT_NE(grabViewport(), bare);
        EXPECT_NE(grabViewport(), early);
    }
    GetParam().animation() = {};
}

TEST_P(EnginePage, SelectedEntryIsTinted) {
    makePage(timeline);
    openGroup();
    ZREngineIconViewItem* item = entry();
    tick();
    const ZREngineSkinLayer& anchor = page->skinLayers()[GetParam().anchor];
    const QPoint inFrame = item->pixmapRect(false).topLeft() + anchor.position + QPoint(1, 0) +
                           QPoint(anchor.size().width() / 2, anchor.size().height() / 2) -
                           QPoint(page->contentsX(), page->contentsY());
    const QPoint inImage(anchor.size().width() / 2, anchor.size().height() / 2);
    EXPECT_EQ((grabViewport().pixel(inFrame) & 0xFFFFFFu),
              (item->animationFrame().pixel(inImage) & 0xFFFFFFu));

    page->setSelected(item, true);
    QCoreApplication::processEvents();
    QImage tinted = item->animationFrame();
    blendColorInRect(tinted, tinted.rect(), ZRBrowserEngineView::kSelectedTint);
    EXPECT_EQ((grabViewport().pixel(inFrame) & 0xFFFFFFu), (tinted.pixel(inImage) & 0xFFFFFFu));
    EXPECT_NE((tinted.pixel(inImage) & 0xFFFFFFu),
              (item->animationFrame().pixel(inImage) & 0xFFFFFFu));
}

TEST_P(EnginePage, ShowingDisablesTheMediaButtonsAndStartsTheAnimation) {
    QPushButton buttons[4];
    appState().newFolderButton = &buttons[0];
    appState().copyButton = &buttons[1];
    appState().pasteButton = &buttons[2];
    appState().removeButton = &buttons[3];
    makePage(timeline);
    for (QPushButton& button : buttons)
        EXPECT_FALSE(button.isEnabled());
    EXPECT_TRUE(page->isAnimating());
    page->hide();
    EXPECT_FALSE(page->isAnimating());
    appState().newFolderButton = appState().copyButton = nullptr;
    appState().pasteButton = appState().removeButton = nullptr;
}

TEST_P(EnginePage, HeldButtonsStopTheAnimation) {
    makePage(timeline);
    const QPointF at(3, 3);
    QMouseEvent press(QEvent::MouseButtonPress, at, page->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, page->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    // The scroll bar, the frame round the viewport and the viewport.
    for (QWidget* target : {static_cast<QWidget*>(page->verticalScrollBar()),
                            static_cast<QWidget*>(page), page->viewport()}) {
        SCOPED_TRACE(target->metaObject()->className());
        QCoreApplication::sendEvent(target, &press);
        EXPECT_FALSE(page->isAnimating());
        QCoreApplication::sendEvent(target, &release);
        EXPECT_TRUE(page->isAnimating());
    }
}

TEST_P(EnginePage, WithoutTimelineThePageStaysEmpty) {
    makePage(nullptr);
    EXPECT_EQ(page->count(), 0);
    EXPECT_TRUE(page->groups().isEmpty());
    tick();
    EXPECT_EQ(page->dragObject(), nullptr);
}

// Modules that were there when the engine listed them and are gone when the page asks for
// them: the entries keep the bare "small_icon" and are never animated.
TEST_P(EnginePage, ModuleThatDoesNotBindLeavesABareThumbnail) {
    QTemporaryDir tree;
    ASSERT_TRUE(tree.isValid());
    static const int anchor = 0;
    const QString fixtures = platform::folderOfAddress(&anchor) + "modulefixture/PlugIns/";
    const QStringList modules = {"videotrn/Basic/fade.so", "videofx/Colour/invert.so"};
    for (const QString& module : modules) {
        ASSERT_TRUE(QDir().mkpath(tree.path() + "/PlugIns/" + module.section('/', 0, 1)));
        ASSERT_TRUE(QFile::copy(fixtures + module, tree.path() + "/PlugIns/" + module));
    }
    // The module tables are the process's while any timeline lives: the fixture's goes first.
    IZRDeleteTimelineInstance(timeline);
    timeline = IZRCreateTimelineInstance(&callbacks, (tree.path() + "/").toUtf8(), 0);
    ASSERT_NE(timeline, nullptr);
    appState().timeline = timeline;
    for (const QString& module : modules)
        ASSERT_TRUE(QFile::remove(tree.path() + "/PlugIns/" + module));
    makePage(timeline);
    ASSERT_EQ(page->entries().size(), 1);
    const QImage bare = page->skinLayers()[ZREngineSkinLayers::SmallIcon].image->convertToFormat(
        QImage::Format_ARGB32);
    EXPECT_EQ(page->entries()[0].thumbnail, bare);
    openGroup();
    tick();
    ASSERT_NE(entry(), nullptr);
    EXPECT_TRUE(entry()->animationFrame().isNull());
}

// Skins from outside: layers of other sizes, outside the icon, or missing.
TEST_P(EnginePage, OddSkinsNeitherOverrunNorCrash) {
    const ZREngineSkinLayers skin = ZREngineSkinLayers::fromSkin();
    const QImage clipA = *skin[ZREngineSkinLayers::ClipA].image;
    const QImage effects = *skin[ZREngineSkinLayers::Effects].image;
    const QImage wider = QImage(clipA.size() + QSize(10, 0), QImage::Format_ARGB32);
    const QImage narrower = QImage(clipA.size() - QSize(10, 0), QImage::Format_ARGB32);
    struct Case {
        const char* label;
        ZREngineSkinLayers::Which which;
        const QImage* image;
        QPoint position;
        bool animates;
    };
    const QPoint farOut(48, 30); // the 32 x 32 "effects" half outside the 64 x 44 icon
    const Case cases[] = {
        {"clip_B wider", ZREngineSkinLayers::ClipB, &wider, QPoint(34, 22), true},
        {"clip_B narrower", ZREngineSkinLayers::ClipB, &narrower, QPoint(34, 22), true},
        {"anchor half outside", GetParam().anchor,
         GetParam().anchor == ZREngineSkinLayers::Effects ? &effects : &clipA, farOut, true},
        {"no effects", ZREngineSkinLayers::Effects, nullptr, QPoint(), false},
        {"no clip_A", ZREngineSkinLayers::ClipA, nullptr, QPoint(), false},
    };
    makePage(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ZREngineSkinLayers layers = skin;
        layers[c.which] = {c.image, c.position};
        page->setSkinLayers(layers);
        page->setTimeline(timeline);
        openGroup();
        tick();
        tick();
        // Only the layers the page uses matter to it.
        const bool uses =
            c.which == GetParam().anchor || (c.which == ZREngineSkinLayers::ClipB &&
                                             GetParam().anchor == ZREngineSkinLayers::ClipA);
        EXPECT_EQ(!entry()->animationFrame().isNull(), c.animates || !uses);
        page->setTimeline(nullptr);
    }
}

TEST_P(EnginePage, DragsTheEntryUnderItsFixedPicture) {
    makePage(timeline);
    EXPECT_EQ(page->dragObject(), nullptr);
    openGroup();
    page->setSelected(entry(), true);
    std::unique_ptr<QDrag> drag(page->dragObject());
    ASSERT_NE(drag, nullptr);
    EXPECT_EQ(drag->pixmap().size(), QSize(28, 20));
    EXPECT_EQ(drag->hotSpot(), QPoint(14, 10));
    int id = 0;
    QString kind, group, name;
    ASSERT_TRUE(ZREngineDrag::decode(drag->mimeData(), id, kind, group, name));
    EXPECT_EQ(kind, GetParam().kind);
    EXPECT_EQ(group, GetParam().group);
    EXPECT_EQ(name, GetParam().entries[0]);
}

INSTANTIATE_TEST_SUITE_P(Pages, EnginePage, ::testing::ValuesIn(kEnginePages),
                         [](const ::testing::TestParamInfo<EnginePageCase>& info) {
                             return std::string(info.param.label);
                         });

TEST(EngineModuleTable, NamesStayWithinTheirRecords) {
    QByteArray table(50 * 4, '\0');
    table.replace(0, 50, QByteArray(50, 'x'));
    table.replace(50, 5, QByteArray("Fade\0", 5));
    table.replace(100, 7, QByteArray("S\xc3\xa9pia", 7));
    EXPECT_EQ(ZRBrowserEngineView::moduleTableNames(table.constData()),
              (QStringList{QString(50, 'x'), "Fade", QString::fromUtf8("Sépia")}));
    EXPECT_TRUE(ZRBrowserEngineView::moduleTableNames(nullptr).isEmpty());
    EXPECT_TRUE(ZRBrowserEngineView::moduleTableNames(QByteArray(50, '\0').constData()).isEmpty());
}

// The two drag pictures, row for row at their corners and a few inner points.
TEST(EngineDragPictures, AreTheFixedTwoColourPictures) {
    const struct {
        QImage picture;
        QPoint black[4];
        QPoint white[4];
    } cases[] = {
        {ZRBrowserEffectsView::dragPicture(),
         {{3, 2}, {24, 17}, {13, 7}, {19, 12}},
         {{0, 0}, {25, 2}, {4, 3}, {14, 7}}},
        {ZRBrowserTransView::dragPicture(),
         {{2, 2}, {25, 17}, {25, 3}, {15, 14}},
         {{1, 2}, {26, 2}, {24, 3}, {9, 4}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.picture.size(), QSize(28, 20));
        for (QPoint p : c.black)
            EXPECT_EQ(c.picture.pixel(p), qRgb(0, 0, 0)) << p.x() << "," << p.y();
        for (QPoint p : c.white)
            EXPECT_EQ(c.picture.pixel(p), qRgb(255, 255, 255)) << p.x() << "," << p.y();
    }
}

} // namespace

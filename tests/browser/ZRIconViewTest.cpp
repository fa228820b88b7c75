#include "tests/browser/BrowserFixture.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/widgets/ZRSkinStyle.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextEdit>
#include <QToolTip>

namespace {

using browsertest::BrowserTest;
using browsertest::icon;

class IconViewTest : public BrowserTest {};

// --- layout ----------------------------------------------------------------------------------

TEST_F(IconViewTest, EmptyViewHintsFiftyAndFindsNothing) {
    ZRIconView* view = viewOnPanel();
    EXPECT_EQ(view->sizeHint(), QSize(50, 50));
    view->arrangeItemsInGrid(true);
    EXPECT_EQ(view->count(), 0);
    EXPECT_EQ(view->findItem(QPoint(5, 5)), nullptr);
    EXPECT_EQ(view->minimumSizeHint(), QSize(100, 100));
    EXPECT_STREQ(view->metaObject()->className(), "ZRIconView");
}

TEST_F(IconViewTest, DefaultsAndSettersThatCheck) {
    ZRIconView* view = viewOnPanel();
    EXPECT_EQ(view->selectionMode(), ZRIconView::Single);
    EXPECT_EQ(view->spacing(), 5);
    EXPECT_EQ(view->gridX(), -1);
    EXPECT_EQ(view->maxItemWidth(), 100);
    EXPECT_EQ(view->maxItemTextLength(), 255);
    EXPECT_TRUE(view->autoArrange());
    EXPECT_TRUE(view->showToolTips());
    EXPECT_FALSE(view->itemsMovable());
    EXPECT_TRUE(view->wordWrapIconText());
    EXPECT_TRUE(view->hasSkinParent());
    EXPECT_TRUE(view->drawsOnSkin());
    EXPECT_EQ(view->font().pointSize(), 8);
    EXPECT_EQ(view->font().family(), "MS Sans Serif");

    view->setGridX(-7);
    EXPECT_EQ(view->gridX(), -1);
    view->setGridX(80);
    EXPECT_EQ(view->maxItemWidth(), 78);
    view->setGridX(-1);
    view->setItemTextPos(2);
    EXPECT_EQ(view->itemTextPos(), ZRIconView::Bottom);
}

TEST_F(IconViewTest, OneItemLandsAtTheSpacingAndSizesTheContents) {
    ZRIconView* view = viewOnPanel();
    auto* item = new ZRIconViewItem(view, "one", icon(40, 30));
    view->arrangeItemsInGrid(true);
    EXPECT_EQ(item->pos(), QPoint(5, 5));
    EXPECT_EQ(view->contentsWidth(), item->x() + item->width());
    EXPECT_EQ(view->contentsHeight(), item->y() + item->height() + 5);
    EXPECT_FALSE(item->isDirty());
    EXPECT_FALSE(view->isDirty());
}

TEST_F(IconViewTest, IconBottomsLineUpInARow) {
    ZRIconView* view = viewOnPanel(QSize(400, 200));
    auto* small = new ZRIconViewItem(view, "a", icon(20, 10));
    auto* tall = new ZRIconViewItem(view, "b", icon(20, 40));
    auto* mid = new ZRIconViewItem(view, "c", icon(20, 25));
    for (ZRIconViewItem* i : {small, tall, mid})
        EXPECT_EQ(i->pixmapRect(false).bottom(), tall->pixmapRect(false).bottom());
    EXPECT_EQ(tall->y(), 5);
    EXPECT_EQ(small->y(), 5 + 30);
    EXPECT_EQ(mid->x(), tall->x() + tall->width() + 5);
}

TEST_F(IconViewTest, GridCellsCountWidthsRoundingUp) {
    struct Case {
        int width;
        int cells;
    } const cases[] = {{100, 2}, {120, 2}, {121, 3}, {60, 1}, {61, 2}};
    for (const Case& c : cases) {
        ZRIconView* view = viewOnPanel(QSize(400, 200));
        view->setGridX(60);
        // The icon rectangle is the image plus 2; a caption cut to gridX - 2 is narrower.
        auto* item = new ZRIconViewItem(view, "", icon(c.width - 2, 20));
        ASSERT_EQ(item->width(), c.width);
        view->arrangeItemsInGrid(true);
        EXPECT_EQ(item->x(), 5 + (60 * c.cells - c.width) / 2) << c.width;
        auto* second = new ZRIconViewItem(view, "", icon(58, 20));
        view->arrangeItemsInGrid(true);
        EXPECT_EQ(second->x(), 5 * (c.cells + 1) + 60 * c.cells) << c.width;
    }
}

TEST_F(IconViewTest, TextAtTheRightLaysOutAndIgnoresOtherPositions) {
    ZRIconView* view = viewOnPanel();
    auto* item = new ZRIconViewItem(view, "caption", icon(30, 30));
    view->setItemTextPos(ZRIconView::Right);
    EXPECT_EQ(item->pixmapRect().x(), 0);
    EXPECT_EQ(item->textRect().x(), item->width() - item->textRect().width());
    EXPECT_EQ(item->width(), item->pixmapRect().width() + item->textRect().width() + 1);
    const QRect before = item->rect();
    view->setItemTextPos(2);
    EXPECT_EQ(item->rect(), before);
}

TEST_F(IconViewTest, StripsOverlapOnTheirEdgeRow) {
    ZRIconView* view = viewOnPanel();
    view->setItemTextPos(ZRIconView::Right);
    auto* straddling = new ZRIconViewItem(view, "s", icon(30, 18));
    auto* below = new ZRIconViewItem(view, "b", icon(30, 18));
    ASSERT_EQ(straddling->height(), 20) << "the caption must not be taller than the icon";
    EXPECT_TRUE(straddling->move(10, 290));
    EXPECT_TRUE(below->move(100, 300));
    const auto& strips = view->strips();
    ASSERT_GE(strips.size(), 2u);
    EXPECT_EQ(strips[0]->rect, QRect(0, 0, ZRIconView::kStripLength, 300));
    EXPECT_EQ(strips[1]->rect.top(), 299);
    EXPECT_TRUE(strips[0]->items.contains(straddling));
    EXPECT_TRUE(strips[1]->items.contains(straddling));
    EXPECT_FALSE(strips[0]->items.contains(below));
    EXPECT_TRUE(strips[1]->items.contains(below));
    const QRect icon = straddling->pixmapRect(false);
    EXPECT_EQ(view->findItem(QPoint(icon.x() + 2, 295)), straddling);
    EXPECT_EQ(view->findItem(QPoint(icon.x() + 2, 305)), straddling);
    EXPECT_EQ(view->findItem(below->pixmapRect(false).center()), below);
}

TEST_F(IconViewTest, ItemRectangleOutsideIconAndTextFindsNothing) {
    ZRIconView* view = viewOnPanel();
    auto* item = new ZRIconViewItem(view, "a rather long caption here", icon(10, 10));
    ASSERT_GT(item->width(), item->pixmapRect().width() + 4);
    EXPECT_EQ(view->findItem(item->pos() + QPoint(1, 1)), nullptr);
    EXPECT_TRUE(item->rect().contains(item->pos() + QPoint(1, 1)));
    EXPECT_EQ(view->findItem(item->pixmapRect(false).center()), item);
    EXPECT_EQ(view->findItem(item->textRect(false).center()), item);
}

TEST_F(IconViewTest, TopToBottomFillsColumnsAndSortRelinks) {
    ZRIconView* view = viewOnPanel(QSize(300, 140));
    for (const char* name : {"delta", "alpha", "charlie", "bravo"})
        new ZRIconViewItem(view, name, icon(30, 30));
    view->sort(true);
    QStringList order;
    for (ZRIconViewItem* i = view->firstItem(); i; i = i->nextItem())
        order << i->text();
    EXPECT_EQ(order, (QStringList{"alpha", "bravo", "charlie", "delta"}));
    view->setArrangement(ZRIconView::TopToBottom);
    ZRIconViewItem* first = view->firstItem();
    ZRIconViewItem* second = first->nextItem();
    EXPECT_EQ(second->y(), first->y() + first->height() + 5);
    EXPECT_EQ(view->strips()[0]->rect, QRect(0, 0, 300, ZRIconView::kStripLength));
}

TEST_F(IconViewTest, WithoutASkinnedParentItemsShowOnBase) {
    QWidget plain;
    plain.resize(200, 150);
    auto* view = new ZRIconView(&plain);
    view->setGeometry(0, 0, 200, 150);
    plain.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plain));
    auto* item = new ZRIconViewItem(view, "x", icon(40, 30, qRgba(0, 200, 0, 255)));
    EXPECT_FALSE(view->hasSkinParent());
    EXPECT_FALSE(view->drawsOnSkin());
    const QImage shot = view->viewport()->grab().toImage();
    const QPoint inside = view->contentsToViewport(item->pixmapRect(false).center());
    EXPECT_EQ(shot.pixel(inside) | 0xFF000000u, qRgb(0, 200, 0));
    EXPECT_EQ(shot.pixel(195, 145) | 0xFF000000u, view->palette().color(QPalette::Base).rgb());
}

// --- items -----------------------------------------------------------------------------------

TEST_F(IconViewTest, ItemCaptionsKeysAndMoves) {
    ZRIconView* view = viewOnPanel();
    view->setWordWrapIconText(false);
    const QFontMetrics fm = view->fontMetrics();

    auto* fits = new ZRIconViewItem(view, "short", icon(20, 20));
    EXPECT_EQ(fits->shownText(), "short");
    auto* longer = new ZRIconViewItem(view, "a caption far too long for the item width of the view",
                                      icon(20, 20));
    EXPECT_TRUE(longer->shownText().endsWith("..."));
    EXPECT_LT(fm.horizontalAdvance(longer->shownText()), view->maxItemWidth());
    EXPECT_TRUE(QString(longer->text()).startsWith(longer->shownText().chopped(3)));

    auto* empty = new ZRIconViewItem(view, "", icon(20, 20));
    EXPECT_GE(empty->textRect().width(), fm.horizontalAdvance(QLatin1Char('X')));
    EXPECT_EQ(empty->key(), "");
    empty->setText("named");
    EXPECT_EQ(empty->key(), "named");
    empty->setKey("k");
    empty->setText("renamed");
    EXPECT_EQ(empty->key(), "k");

    EXPECT_FALSE(fits->move(fits->pos()));
    EXPECT_TRUE(fits->move(-5, 10));
    EXPECT_EQ(fits->pos(), QPoint(0, 10));
    EXPECT_EQ(view->findItem(fits->pixmapRect(false).center()), fits);
    EXPECT_EQ(fits->picture(), nullptr);
    EXPECT_FALSE(fits->acceptDrop(nullptr));
}

TEST_F(IconViewTest, WrappedCaptionsBreakAtSpacesAndCutOnlyAWordTooWide) {
    ZRIconView* view = viewOnPanel();
    const QFontMetrics fm = view->fontMetrics();
    // A box a little narrower than the whole caption: the words go to two lines.
    view->setGridX(fm.horizontalAdvance("Happy Birthday!") - 2);
    const int box = view->maxItemWidth() - 4;
    ASSERT_LT(box, fm.horizontalAdvance("Happy Birthday!"));
    ASSERT_GT(box, fm.horizontalAdvance("Birthday!"));

    auto* words = new ZRIconViewItem(view, "Happy Birthday!", icon(20, 20));
    EXPECT_LE(words->textRect().width(), fm.horizontalAdvance("Birthday!") + 1);
    EXPECT_GE(words->textRect().height(), 2 * fm.height() - 2);

    auto* oneWord = new ZRIconViewItem(view, "Happy_Birthday_to_everyone!", icon(20, 20));
    EXPECT_LE(oneWord->textRect().width(), box);
    EXPECT_GE(oneWord->textRect().height(), 2 * fm.height() - 2);

    auto* fits = new ZRIconViewItem(view, "Happy", icon(20, 20));
    EXPECT_LE(fits->textRect().height(), fm.height() + 1);
}

TEST_F(IconViewTest, SetPixmapCopiesAndNeverTouchesTheSharedDefault) {
    ZRIconView* view = viewOnPanel();
    const QImage before = ZRIconView::defaultImage().copy();
    EXPECT_EQ(before.size(), QSize(32, 32));
    auto* item = new ZRIconViewItem(view, "x");
    EXPECT_EQ(item->pixmap(), nullptr);
    EXPECT_EQ(item->pixmapRect().size(), QSize(34, 34));
    QImage mine = icon(10, 12, qRgba(1, 2, 3, 255));
    item->setPixmap(mine);
    ASSERT_NE(item->pixmap(), nullptr);
    mine.fill(Qt::white);
    EXPECT_EQ(item->pixmap()->pixel(5, 5), qRgba(1, 2, 3, 255));
    EXPECT_EQ(item->pixmapRect().size(), QSize(12, 14));
    delete item;
    EXPECT_EQ(ZRIconView::defaultImage(), before);
}

TEST_F(IconViewTest, RenameAcceptsOnReturnAndCancelsOnEscape) {
    ZRIconView* view = viewOnPanel();
    auto* item = new ZRIconViewItem(view, "old", icon(20, 20));
    QStringList renamed;
    QObject::connect(view, qOverload<ZRIconViewItem*, const QString&>(&ZRIconView::itemRenamed),
                     [&](ZRIconViewItem*, const QString& t) { renamed << t; });

    item->rename();
    ASSERT_NE(item->renameBox(), nullptr);
    EXPECT_EQ(item->renameBox()->objectName(), "qt_renamebox");
    EXPECT_EQ(item->renameBox()->parentWidget(), view->viewport());
    QTest::keyClick(item->renameBox(), Qt::Key_Escape);
    EXPECT_EQ(item->renameBox(), nullptr);
    EXPECT_EQ(item->text(), "old");
    EXPECT_TRUE(renamed.isEmpty());

    item->rename();
    item->renameBox()->setPlainText("new");
    QTest::keyClick(item->renameBox(), Qt::Key_Return);
    EXPECT_EQ(item->text(), "new");
    EXPECT_EQ(renamed, QStringList{"new"});
    QCoreApplication::processEvents();
}

TEST_F(IconViewTest, ToolTipShowsTheFullCaptionOfAShortenedItemOnly) {
    ZRIconView* view = viewOnPanel();
    view->setWordWrapIconText(false);
    auto* shortened =
        new ZRIconViewItem(view, "a caption far too long to be shown whole", icon(20, 20));
    auto* whole = new ZRIconViewItem(view, "ok", icon(20, 20));
    const auto tipAt = [&](ZRIconViewItem* item) {
        QToolTip::hideText();
        const QPoint at = view->contentsToViewport(item->textRect(false).center());
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(whole), QString());
    EXPECT_EQ(tipAt(shortened), shortened->text());
    QToolTip::hideText();
}

} // namespace

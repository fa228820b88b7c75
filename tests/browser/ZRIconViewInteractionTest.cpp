#include "tests/browser/BrowserFixture.h"

#include "classes/painting/ZRImagePainting.h"
#include "classes/pixels/ZRPixelRoutines.h"
#include "classes/widgets/ZRScrollBar.h"
#include "classes/widgets/ZRScrollBarSkin.h"
#include "classes/widgets/ZRSkinStyle.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using browsertest::BrowserTest;
using browsertest::icon;

// A view that counts drags instead of running them (a real drag waits for the mouse).
class CountingView : public ZRIconView {
public:
    using ZRIconView::ZRIconView;
    int drags = 0;
    void startDrag() override { ++drags; }
};

class InteractionTest : public BrowserTest {
public:
    // Six items in one row on a wide panel.
    CountingView* makeView(int mode) {
        panel = std::make_unique<QSBWidget>(browsertest::panelBackground(QSize(520, 240)), false);
        panel->resize(520, 240);
        view = new CountingView(panel.get(), "icons");
        view->setGeometry(10, 10, 500, 220);
        view->setSelectionMode(mode);
        panel->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        refill();
        QObject::connect(view, qOverload<>(&ZRIconView::selectionChanged),
                         [this] { log << "selectionChanged"; });
        QObject::connect(view, &ZRIconView::currentChanged,
                         [this](ZRIconViewItem* i) { log << "current:" + name(i); });
        QObject::connect(view, &ZRIconView::mouseButtonPressed,
                         [this](int, ZRIconViewItem* i, const QPoint&) {
                             log << "mouseButtonPressed:" + name(i);
                         });
        QObject::connect(view, qOverload<ZRIconViewItem*>(&ZRIconView::pressed),
                         [this](ZRIconViewItem* i) { log << "pressed:" + name(i); });
        QObject::connect(view, qOverload<ZRIconViewItem*>(&ZRIconView::clicked),
                         [this](ZRIconViewItem* i) { log << "clicked:" + name(i); });
        return view;
    }

    void refill(int count = 6) {
        view->clear();
        items.clear();
        for (int i = 0; i < count; ++i)
            items.push_back(new ZRIconViewItem(view, QString::number(i), icon(40, 30)));
    }

    static QString name(ZRIconViewItem* i) { return i ? i->text() : QStringLiteral("-"); }

    QPoint at(int index) const {
        return view->contentsToViewport(items[size_t(index)]->pixmapRect(false).center());
    }
    QPoint empty() const { return QPoint(250, 200); }

    void mouse(QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, pos, view->viewport()->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : button,
                      type == QEvent::MouseMove ? heldButtons : buttons, mods);
        if (type == QEvent::MouseButtonPress) heldButtons = button;
        if (type == QEvent::MouseButtonRelease) heldButtons = Qt::NoButton;
        QCoreApplication::sendEvent(view->viewport(), &e);
    }
    void click(const QPoint& pos, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton) {
        mouse(QEvent::MouseButtonPress, pos, button, mods);
        mouse(QEvent::MouseButtonRelease, pos, button, mods);
    }
    void band(const QPoint& from, const QPoint& to) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton);
    }

    QSet<int> selected() const {
        QSet<int> s;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i]->isSelected()) s.insert(int(i));
        return s;
    }

    void expectNothingDangles() const {
        QSet<ZRIconViewItem*> listed;
        for (ZRIconViewItem* i = view->firstItem(); i; i = i->nextItem())
            listed.insert(i);
        for (ZRIconViewItem* r : view->referencedItems())
            EXPECT_TRUE(listed.contains(r));
    }

    CountingView* view = nullptr;
    std::vector<ZRIconViewItem*> items;
    QStringList log;
    Qt::MouseButtons heldButtons = Qt::NoButton;
};

TEST_F(InteractionTest, ModesAndGesturesGiveTheirSelection) {
    struct Case {
        const char* name;
        int mode;
        std::function<void(InteractionTest&)> gesture;
        QSet<int> selection;
        int current;
    };
    const Case cases[] = {
        {"single click", ZRIconView::Single, [](InteractionTest& t) { t.click(t.at(1)); }, {1}, 1},
        {"single click moves",
         ZRIconView::Single,
         [](InteractionTest& t) {
             t.click(t.at(1));
             t.click(t.at(3));
         },
         {3},
         3},
        {"single click on empty space keeps",
         ZRIconView::Single,
         [](InteractionTest& t) {
             t.click(t.at(1));
             t.click(t.empty());
         },
         {1},
         1},
        {"single ctrl+A selects the current item only",
         ZRIconView::Single,
         [](InteractionTest& t) {
             t.click(t.at(2));
             QTest::keyClick(t.view, Qt::Key_A, Qt::ControlModifier);
         },
         {2},
         2},
        {"multi toggles",
         ZRIconView::Multi,
         [](InteractionTest& t) {
             t.click(t.at(1));
             t.click(t.at(3));
             t.click(t.at(1));
         },
         {3},
         1},
        {"multi empty click clears",
         ZRIconView::Multi,
         [](InteractionTest& t) {
             t.click(t.at(1));
             t.click(t.empty());
         },
         {},
         1},
        {"extended click selects alone",
         ZRIconView::Extended,
         [](InteractionTest& t) {
             t.click(t.at(1));
             t.click(t.at(4));
         },
         {4},
         4},
        {"extended ctrl toggles one",
         ZRIconView::Extended,
         [](InteractionTest& t) {
             t.click(t.at(1));
             t.click(t.at(4), Qt::ControlModifier);
             t.click(t.at(5), Qt::ControlModifier);
             t.click(t.at(4), Qt::ControlModifier);
         },
         {1, 5},
         4},
        {"extended shift spans and keeps",
         ZRIconView::Extended,
         [](InteractionTest& t) {
             t.click(t.at(0));
             t.click(t.at(5), Qt::ControlModifier);
             t.click(t.at(2));
             t.click(t.at(2), Qt::ControlModifier);
             t.click(t.at(5), Qt::ControlModifier);
             t.click(t.at(1), Qt::ControlModifier);
             t.click(t.at(3), Qt::ShiftModifier);
         },
         {1, 2, 3, 5},
         3},
        {"extended band",
         ZRIconView::Extended,
         [](InteractionTest& t) {
             t.click(t.at(0));
             t.band(t.empty(), QPoint((t.at(1).x() + t.at(2).x()) / 2, t.at(1).y()));
         },
         {2, 3, 4, 5},
         0},
        {"no selection keeps the current item",
         ZRIconView::NoSelection,
         [](InteractionTest& t) {
             t.click(t.at(2));
             t.view->selectAll(true);
             t.view->invertSelection();
             QTest::keyClick(t.view, Qt::Key_Space);
         },
         {},
         2},
        {"keys in extended mode",
         ZRIconView::Extended,
         [](InteractionTest& t) {
             t.click(t.at(1));
             QTest::keyClick(t.view, Qt::Key_Right, Qt::ShiftModifier);
             QTest::keyClick(t.view, Qt::Key_Right, Qt::ShiftModifier);
         },
         {1, 2, 3},
         3},
        {"home and end",
         ZRIconView::Single,
         [](InteractionTest& t) {
             t.click(t.at(2));
             QTest::keyClick(t.view, Qt::Key_End);
         },
         {5},
         5},
        {"type-ahead finds by prefix",
         ZRIconView::Extended,
         [](InteractionTest& t) {
             t.click(t.at(0));
             QTest::keyClicks(t.view, "4");
         },
         {4},
         4},
    };
    for (const Case& c : cases) {
        makeView(c.mode);
        c.gesture(*this);
        EXPECT_EQ(selected(), c.selection) << c.name;
        EXPECT_EQ(view->currentItem(), items[size_t(c.current)]) << c.name;
        panel.reset();
    }
}

TEST_F(InteractionTest, PressAndClickSignalsComeInOrder) {
    makeView(ZRIconView::Single);
    log.clear();
    click(at(2));
    EXPECT_EQ(log, (QStringList{"current:2", "selectionChanged", "mouseButtonPressed:2",
                                "pressed:2", "clicked:2"}));
    log.clear();
    makeView(ZRIconView::Multi);
    click(at(1));
    log.clear();
    click(empty());
    // A left press on empty space starts a band, which sends no press signals; released where it
    // began it is a click on no item.
    EXPECT_EQ(log, (QStringList{"selectionChanged", "clicked:-"}));
    log.clear();
    click(empty(), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(log,
              (QStringList{"selectionChanged", "mouseButtonPressed:-", "pressed:-", "clicked:-"}));
}

TEST_F(InteractionTest, BandBeyondTheDragDistanceIsNoClick) {
    makeView(ZRIconView::Extended);
    log.clear();
    band(empty(), empty() + QPoint(40, -40));
    EXPECT_FALSE(log.contains("clicked:-"));
    EXPECT_EQ(view->rubberBand(), QRect());
}

TEST_F(InteractionTest, DragStartsOnlyBeyondTheStartDragDistance) {
    makeView(ZRIconView::Single);
    const int distance = QApplication::startDragDistance();
    mouse(QEvent::MouseButtonPress, at(2), Qt::LeftButton);
    mouse(QEvent::MouseMove, at(2) + QPoint(distance / 2, distance / 2), Qt::LeftButton);
    EXPECT_EQ(view->drags, 0);
    mouse(QEvent::MouseMove, at(2) + QPoint(distance, 1), Qt::LeftButton);
    EXPECT_EQ(view->drags, 1);
    mouse(QEvent::MouseButtonRelease, at(2), Qt::LeftButton);
}

TEST_F(InteractionTest, DragObjectCarriesTheSelectionRelativeToThePress) {
    makeView(ZRIconView::Extended);
    click(at(1));
    click(at(3), Qt::ControlModifier);
    mouse(QEvent::MouseButtonPress, at(3), Qt::LeftButton);
    std::unique_ptr<QDrag> drag(view->dragObject());
    mouse(QEvent::MouseButtonRelease, at(3), Qt::LeftButton);
    ASSERT_TRUE(drag);
    QList<ZRIconDragItem> list;
    ASSERT_TRUE(ZRIconDrag::decode(drag->mimeData(), list));
    ASSERT_EQ(list.size(), 2);
    const QPoint press = view->viewportToContents(at(3));
    EXPECT_EQ(list[0].iconRect(), items[1]->pixmapRect(false).translated(-press));
    EXPECT_EQ(list[1].textRect(), items[3]->textRect(false).translated(-press));
    EXPECT_EQ(drag->hotSpot(), QPoint(21, 16));
}

TEST_F(InteractionTest, DropsFromOutsideAreDecodedAndAnnounced) {
    makeView(ZRIconView::Single);
    QList<QList<ZRIconDragItem>> got;
    QObject::connect(view, &ZRIconView::dropped,
                     [&](QDropEvent*, const QList<ZRIconDragItem>& l) { got << l; });
    ZRIconDrag data;
    data.append(ZRIconDragItem(), QRect(-5, -5, 10, 10), QRect(-8, 6, 16, 8));
    const QPoint where = empty();
    QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(where + QPoint(3, 0), Qt::CopyAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
    EXPECT_EQ(view->dragOutlinePoint(), where + QPoint(3, 0));
    QDropEvent drop(QPointF(where + QPoint(3, 0)), Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);
    ASSERT_EQ(got.size(), 1);
    ASSERT_EQ(got[0].size(), 1);
    EXPECT_EQ(got[0][0].textRect(), QRect(-8, 6, 16, 8));

    // Anything else dropped on empty space is announced with an empty list.
    QMimeData urls;
    urls.setUrls({QUrl::fromLocalFile("/tmp/a.avi"), QUrl::fromLocalFile("/tmp/b.avi")});
    QDragEnterEvent enter2(where, Qt::CopyAction, &urls, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter2);
    QDropEvent drop2(QPointF(where), Qt::CopyAction, &urls, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop2);
    ASSERT_EQ(got.size(), 2);
    EXPECT_TRUE(got[1].isEmpty());
    EXPECT_EQ(view->dragOutlinePoint(), QPoint(-1, -1));
}

TEST_F(InteractionTest, RefillsDuringGesturesLeaveNoPointerBehind) {
    makeView(ZRIconView::Extended);
    // During a rubber band that set the current item aside.
    click(at(1));
    mouse(QEvent::MouseButtonPress, empty(), Qt::LeftButton, Qt::ControlModifier);
    mouse(QEvent::MouseMove, at(2), Qt::LeftButton);
    refill();
    expectNothingDangles();
    mouse(QEvent::MouseMove, at(3), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(3), Qt::LeftButton);
    expectNothingDangles();

    // During a rename.
    items[2]->setRenameEnabled(true);
    items[2]->rename();
    refill();
    EXPECT_FALSE(view->isRenaming());
    click(at(2));
    expectNothingDangles();

    // During a drag over a highlighted item.
    ZRIconDrag data;
    data.append(ZRIconDragItem(), QRect(0, 0, 4, 4), QRect(0, 5, 4, 4));
    QDragEnterEvent enter(at(4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at(4) + QPoint(1, 0), Qt::CopyAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
    refill();
    expectNothingDangles();
    QDragMoveEvent move2(at(5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move2);
    QDropEvent drop(QPointF(empty()), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);

    // After Shift anchoring, then Shift+click, moves and keys.
    click(at(1));
    click(at(3), Qt::ShiftModifier);
    mouse(QEvent::MouseButtonPress, at(3), Qt::LeftButton);
    refill();
    expectNothingDangles();
    click(at(4), Qt::ShiftModifier);
    mouse(QEvent::MouseMove, at(5), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, at(5), Qt::LeftButton);
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    expectNothingDangles();
    EXPECT_EQ(view->count(), 6);
}

TEST_F(InteractionTest, TakingTheCurrentItemMovesCurrencyBack) {
    makeView(ZRIconView::Single);
    click(at(3));
    delete items[3];
    EXPECT_EQ(view->currentItem(), items[2]);
    EXPECT_EQ(view->count(), 5);
    expectNothingDangles();
}

TEST_F(InteractionTest, ArrowKeysFollowRowsByOverlap) {
    makeView(ZRIconView::Single);
    refill(30);
    const int perRow = int(std::count_if(
        items.begin(), items.end(), [&](ZRIconViewItem* i) { return i->y() == items[0]->y(); }));
    ASSERT_GT(perRow, 2);
    ASSERT_LT(perRow, 15);
    click(at(perRow + 1));
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(view->currentItem(), items[size_t(2 * perRow + 1)]);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(view->currentItem(), items[1]);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(view->currentItem(), items[1]);
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_EQ(view->currentItem(), items[0]);
    EXPECT_EQ(selected(), QSet<int>{0});
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(selected(), QSet<int>{0});
}

TEST_F(InteractionTest, BandOutsideTheViewportScrollsUntilReleased) {
    makeView(ZRIconView::Multi);
    refill(70);
    ASSERT_GT(view->contentsHeight(), view->visibleHeight());
    const QPoint gap(items[0]->x() + items[0]->width() + 2, at(0).y());
    ASSERT_EQ(view->findItem(view->viewportToContents(gap)), nullptr);
    mouse(QEvent::MouseButtonPress, gap, Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(gap.x() + 30, view->visibleHeight() + 40), Qt::LeftButton);
    const int first = view->contentsY();
    EXPECT_GT(first, 0);
    QTest::qWait(250);
    EXPECT_GT(view->contentsY(), first);
    EXPECT_FALSE(selected().isEmpty());
    mouse(QEvent::MouseButtonRelease, QPoint(gap.x() + 30, view->visibleHeight() + 40),
          Qt::LeftButton);
    const int released = view->contentsY();
    QTest::qWait(250);
    EXPECT_EQ(view->contentsY(), released);
    EXPECT_EQ(view->rubberBand(), QRect());
}

// --- pixels ----------------------------------------------------------------------------------

TEST_F(InteractionTest, SelectedIconIsTintedWhenTheViewHasFocus) {
    makeView(ZRIconView::Single);
    view->clear();
    auto* item = new ZRIconViewItem(view, "w", icon(40, 30, qRgba(255, 255, 255, 255)));
    panel->activateWindow();
    view->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.get()));
    ASSERT_TRUE(view->hasFocus());
    item->setSelected(true);
    const QPoint inside = view->contentsToViewport(item->pixmapRect(false).topLeft()) +
                          QPoint(item->pixmapRect().width() / 2, 10);
    QImage expected(1, 1, QImage::Format_ARGB32);
    expected.fill(qRgba(255, 255, 255, 255));
    tintImageRect(expected, expected.rect(), 0xA6150185u);
    const QImage shot = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(inside), expected.pixel(0, 0) | 0xFF000000u);
    item->setSelected(false);
    const QImage plain = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(plain.pixel(inside), qRgb(255, 255, 255));
}

TEST_F(InteractionTest, RepaintsRecomposeTheSkinUnderTranslucentItems) {
    makeView(ZRIconView::Multi);
    click(at(1));
    const QImage first = view->viewport()->grab().toImage();
    view->viewport()->repaint();
    const QImage second = view->viewport()->grab().toImage();
    EXPECT_EQ(first, second);
    // The translucent icon lies over the panel's own skin.
    const QPoint inside = at(4);
    const QPoint inPanel = view->viewport()->mapTo(panel.get(), inside);
    const QRgb skin = browsertest::panelBackground(QSize(520, 240)).pixel(inPanel);
    EXPECT_NE(first.pixel(inside), skin);
    EXPECT_NE(first.pixel(inside), qRgba(200, 120, 30, 255));
}

TEST_F(InteractionTest, StyleDrawsTheBarsOnTheSkin) {
    ZRSkinStyle style;
    makeView(ZRIconView::Single);
    view->setStyle(&style);
    QScrollBar* bar = view->verticalScrollBar();
    bar->setStyle(&style);
    for (int i = 0; i < 40; ++i)
        new ZRIconViewItem(view, QString::number(i), icon(40, 30));
    QCoreApplication::processEvents();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(ZRSkinStyle::viewOfBar(bar), view);
    const QImage* up = style.verticalTemplate()->skin().vertical.sub[0].image;
    ASSERT_NE(up, nullptr);
    QPoint opaque(-1, -1);
    for (int y = 0; y < up->height() && opaque.x() < 0; ++y)
        for (int x = 0; x < up->width(); ++x)
            if (qAlpha(up->pixel(x, y)) == 255) {
                opaque = QPoint(x, y);
                break;
            }
    ASSERT_GE(opaque.x(), 0);
    const QImage shot = bar->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(shot.pixel(opaque), up->pixel(opaque));
    panel.reset();
}

} // namespace

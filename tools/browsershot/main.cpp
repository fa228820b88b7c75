// The icon view on a skinned panel with 30 items, in the states worth a look: the current item
// with its focus frame beside a selection and a shortened caption ("items"), that caption's tool
// tip ("tooltip"), a rubber band being dragged ("band") and the outlines of an icon list dragged
// over the view ("drop").
// `browsershot --screenshot <prefix>` saves <prefix>-<state>.png for each state and quits (for
// xvfb-run); without it the first state stays on screen.

#include "editor/ZRIconDrag.h"
#include "browser/ZRIconView.h"
#include "browser/ZRIconViewItem.h"
#include "classes/skins/ZRSkinPreload.h"
#include "classes/widgets/QSBWidget.h"
#include "classes/widgets/ZRSkinStyle.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDragEnterEvent>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QEventLoop>
#include <QTimer>
#include <QToolTip>

#include <cstdio>
#include <memory>

namespace {

// Runs the event loop for `ms` milliseconds.
void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QImage panelSkin(const QSize& size) {
    QImage image(size, QImage::Format_ARGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(58, 66, 84));
    g.setColorAt(1, QColor(34, 38, 50));
    p.fillRect(image.rect(), g);
    p.setPen(QColor(90, 100, 125));
    p.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

QImage itemIcon(int i) {
    QImage image(48, 36, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor::fromHsv((i * 37) % 360, 140, 220, 220));
    p.setPen(QColor(20, 20, 20));
    p.drawRoundedRect(QRectF(1, 1, 46, 34), 4, 4);
    return image;
}

void mouse(ZRIconView* view, QEvent::Type type, const QPoint& at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, view->viewport()->mapToGlobal(at),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &e);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption shot(QStringLiteral("screenshot"),
                                  QStringLiteral("Save <prefix>-<state>.png for each state."),
                                  QStringLiteral("prefix"));
    parser.addOption(shot);
    parser.process(app);
    preloadSkins();
    auto* style = new ZRSkinStyle;
    app.setStyle(style);

    const QSize size(460, 340);
    QSBWidget panel(panelSkin(size), false);
    panel.resize(size);
    auto* view = new ZRIconView(&panel, "icons");
    view->setGeometry(8, 8, size.width() - 16, size.height() - 16);
    view->setSelectionMode(ZRIconView::Extended);
    view->setWordWrapIconText(false);
    view->setMaxItemWidth(70);
    panel.show();
    wait(200);
    for (int i = 0; i < 30; ++i) {
        const QString name = i == 4 ? QStringLiteral("holiday at the seaside.avi")
                                    : QStringLiteral("clip %1.avi").arg(i + 1);
        new ZRIconViewItem(view, name, itemIcon(i));
    }
    ZRIconViewItem* items[30];
    int n = 0;
    for (ZRIconViewItem* i = view->firstItem(); i; i = i->nextItem())
        items[n++] = i;
    panel.activateWindow();
    view->setFocus();
    wait(100);
    view->setCurrentItem(items[7]);
    items[1]->setSelected(true, true);
    items[2]->setSelected(true, true);
    items[7]->setSelected(true, true);
    QCoreApplication::processEvents();

    const QString prefix = parser.value(shot);
    const auto save = [&](const char* state, const QImage& image) {
        if (prefix.isEmpty()) return;
        const QString file = prefix + QLatin1Char('-') + QLatin1String(state) + ".png";
        if (!image.save(file)) std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    };
    const auto grabPanel = [&] {
        QCoreApplication::processEvents();
        return panel.grab().toImage();
    };
    save("items", grabPanel());
    if (prefix.isEmpty()) return app.exec();

    // The shortened caption's tool tip, shot from the screen with the panel.
    const QPoint tipAt = view->contentsToViewport(items[4]->textRect(false).center());
    QHelpEvent help(QEvent::ToolTip, tipAt, view->viewport()->mapToGlobal(tipAt));
    QCoreApplication::sendEvent(view->viewport(), &help);
    wait(300);
    const QRect area(panel.mapToGlobal(QPoint(0, 0)), size + QSize(120, 60));
    save("tooltip",
         panel.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage());
    QToolTip::hideText();

    // A rubber band from empty space below the items up over two rows.
    const QPoint from(view->visibleWidth() - 20, view->visibleHeight() - 10);
    mouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(view, QEvent::MouseMove, QPoint(from.x() - 150, from.y() - 120), Qt::LeftButton);
    save("band", grabPanel());
    mouse(view, QEvent::MouseButtonRelease, QPoint(from.x() - 150, from.y() - 120), Qt::NoButton);

    // Three icons dragged in from another view, over an item.
    ZRIconDrag data;
    for (int i = 0; i < 3; ++i)
        data.append(ZRIconDragItem(), QRect(-24 + 60 * i, -20, 50, 38),
                    QRect(-30 + 60 * i, 20, 62, 14));
    const QPoint over = view->contentsToViewport(items[12]->pixmapRect(false).center());
    QDragEnterEvent enter(over - QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
    save("drop", grabPanel());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(view->viewport(), &leave);
    return 0;
}

// Any bytes offered as an icon list decode without harm, and the same payload dragged into an
// offscreen icon view of 50 items (entered, moved over items and empty space, dropped) is
// handled without harm: outlines are drawn only where they meet the viewport.
#include "browser/ZRIconView.h"
#include "browser/ZRIconViewItem.h"
#include "editor/ZRIconDrag.h"

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

ZRIconView* view() {
    static ZRIconView* v = [] {
        auto* created = new ZRIconView(nullptr, "icons");
        created->resize(300, 200);
        QImage icon(24, 24, QImage::Format_ARGB32);
        icon.fill(qRgba(20, 40, 200, 128));
        for (int i = 0; i < 50; ++i)
            new ZRIconViewItem(created, QString::number(i), icon);
        created->show();
        return created;
    }();
    return v;
}

} // namespace

// Painting the view loads Qt's font database, whose fontconfig state lives as long as the
// process (as tests/lsan.supp says for the test programs).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Kept to the end of the process: Qt's objects must not be torn down by exit handlers.
    static QApplication* app = new QApplication(*argc, *argv);
    (void)app;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    view()->viewport()->grab();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<ZRIconDragItem> list;
    ZRIconDrag::decodeBytes(bytes, list);

    QMimeData mime;
    mime.setData(QString::fromLatin1(ZRIconDrag::kMimeType), bytes);
    ZRIconView* v = view();
    QWidget* target = v->viewport();
    const QPoint points[] = {{5, 5}, {40, 20}, {150, 100}, {290, 190}, {-3, 400}};
    QDragEnterEvent enter(points[0], Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    for (const QPoint& p : points) {
        QDragMoveEvent move(p, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        // Paint with the outlines at this point.
        v->viewport()->grab();
    }
    const QPoint at = size > 0 ? points[data[0] % 5] : points[2];
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    // The view posts repaints and timers as a shown view does; without an event loop they would
    // pile up from input to input.
    QCoreApplication::processEvents();
    return 0;
}

#include "ZRParentSkin.h"

#include "QSBWidget.h"

#include <QPainter>

void paintParentSkin(QPainter& painter, QWidget& widget, const QRect& area) {
    auto* parent = qobject_cast<QSBWidget*>(widget.parentWidget());
    QImage* target = parent ? parent->composedImage() : nullptr;
    if (!target || target->isNull()) {
        painter.fillRect(area, widget.palette().color(QPalette::Window));
        return;
    }
    const QPoint inParent = widget.mapToParent(area.topLeft());
    parent->composeRegion(QRegion(QRect(inParent, area.size())));
    const QImage opaque(target->constBits(), target->width(), target->height(),
                        target->bytesPerLine(), QImage::Format_RGB32);
    painter.drawImage(area.topLeft(), opaque,
                      QRect(parent->mapPointToSkinRoot(inParent), area.size()));
}

#include "classes/widgets/ZRParentSkin.h"

#include "classes/painting/ZROpaqueImage.h"
#include "classes/widgets/QSBWidget.h"

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
    drawImageOpaque(painter, area.topLeft(), *target,
                    QRect(parent->mapPointToSkinRoot(inParent), area.size()));
}

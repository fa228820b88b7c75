#pragma once

#include <QRect>

class QPainter;
class QWidget;

/// Composes the skin of `widget`'s parent, a QSBWidget, under `area` (widget coordinates) and
/// puts it on the painter, opaque; the window colour when the parent is not skinned or has no
/// composed image. For widgets that are no QSBWidget but stand on one. GUI thread only.
void paintParentSkin(QPainter& painter, QWidget& widget, const QRect& area);

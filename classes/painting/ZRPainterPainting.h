#pragma once

// Skin images drawn onto a QPainter. Qt cannot read a widget back while painting it, so the
// helpers that would blend over the device's pixels draw with SourceOver instead, which gives
// the same result for straight-alpha sources over an opaque device. The painter's state is left
// as it was. GUI thread for widget devices; any thread for image devices.

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

/// Tiles `source` (tile phase phaseX, phaseY) over the w x h rectangle at (x, y).
void tileImageOverPainter(QPainter& painter, int x, int y, int w, int h, const QImage& source,
                          int phaseX, int phaseY);

/// Draws a two-pixel frame just inside `rect` with an 8 x 8 black-and-white checkerboard brush,
/// XOR-ed with what is there, so that drawing it twice restores the picture.
void fillRectWithImageBrush(QPainter& painter, const QRect& rect);

/// Blends `image` over the device with its top-left corner at `at`.
void blitImageRegion(QPainter& painter, const QPoint& at, const QImage& image);

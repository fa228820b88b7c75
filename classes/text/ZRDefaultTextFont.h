#pragma once

#include <QString>

/// The program's default text font: the font file name, point size and smoothing flag that
/// captions use when they name no font of their own. The start-up sets it once from the
/// program's default font tag; until then it is "ariblk.ttf", 10 points, smoothed.
/// GUI thread only.
struct ZRDefaultTextFont {
    QString fileName = QStringLiteral("ariblk.ttf");
    int pointSize = 10;
    bool smoothing = true;
};

/// The process's default text font; the start-up code writes it, text images read it.
ZRDefaultTextFont& defaultTextFont();

#include "browser/ZRTitlePosition.h"

namespace titleposition {

namespace {

// Per axis: the edge code on screen and the code off screen for each side.
int axisCode(const QString& part, const char* low, const char* high, bool onScreen, bool leaves) {
    if (part == QLatin1String(low)) return onScreen || !leaves ? 1 : 0;
    if (part == QLatin1String(high)) return onScreen || !leaves ? 3 : 2;
    return 4;
}

} // namespace

Codes codes(const QString& name, bool onScreen) {
    const qsizetype cut = name.indexOf(QLatin1Char('_'));
    if (cut < 0) return {};
    const QString row = name.left(cut);
    const QString column = name.mid(cut + 1);
    const bool centreColumn = column == QLatin1String("centered");
    // Corners and edges leave sideways; only the centre column leaves up or down.
    Codes c;
    c.x = axisCode(column, "left", "right", onScreen, true);
    c.y = axisCode(row, "top", "bottom", onScreen, centreColumn);
    return c;
}

QString name(int x, int y) {
    const char* row = y == 0 || y == 1 ? "top_" : y == 2 || y == 3 ? "bottom_" : "middle_";
    const char* column = x == 0 || x == 1 ? "left" : x == 2 || x == 3 ? "right" : "centered";
    return QLatin1String(row) + QLatin1String(column);
}

QString cellAt(const QPoint& press, const QString& previous) {
    const int x = press.x(), y = press.y();
    const char* row = y < 12                 ? "top_"
                      : (y >= 26 && y <= 35) ? "middle_"
                      : y >= 48              ? "bottom_"
                                             : nullptr;
    const char* column = x < 12                 ? "left"
                         : (x >= 36 && x <= 45) ? "centered"
                         : x >= 68              ? "right"
                                                : nullptr;
    if (!row || !column) return previous;
    return QLatin1String(row) + QLatin1String(column);
}

} // namespace titleposition

#pragma once

#include <QPoint>
#include <QString>

/// Where a title stands on screen: the nine position names of the titles page, the codes the
/// "Text StartX/Y Pos" and "Text EndX/Y Pos" settings take, and the cells of the position grid.
/// Codes per axis: 0 off screen left (top), 1 left (top) edge, 2 off screen right (bottom),
/// 3 right (bottom) edge, 4 centre (middle). Pure functions, reentrant.
namespace titleposition {

inline constexpr char kCentre[] = "middle_centered";
/// The on/off screen picture's halves meet at this x.
inline constexpr int kScreenSplitX = 39;

struct Codes {
    int x = 4;
    int y = 4;
    bool operator==(const Codes&) const = default;
};

/// The codes a name writes on or off screen. In the corners only X leaves the screen, at top
/// and bottom centre only Y; the centre is 4, 4 either way. An unknown name gives the centre.
Codes codes(const QString& name, bool onScreen);
/// The name codes read back to: Y part ("top_" 0 and 1, "bottom_" 2 and 3, else "middle_") and
/// X part ("left" 0 and 1, "right" 2 and 3, else "centered").
QString name(int x, int y);
/// True for the codes that lie off screen (0 and 2).
inline bool isOffScreen(int code) {
    return code == 0 || code == 2;
}
/// The name of the grid cell under a press, or `previous` when it falls between cells: rows
/// y < 12, 26..35, >= 48; columns x < 12, 36..45, >= 68.
QString cellAt(const QPoint& press, const QString& previous);

} // namespace titleposition

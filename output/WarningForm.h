#pragma once

#include <QRect>
#include <QString>

class QCheckBox;
class QDialog;
class QHBoxLayout;
class QLabel;

/// The frame the two warning forms share: size, caption, message label, check box and the
/// "Layout" row their buttons go into. GUI thread only.
namespace warningform {

inline constexpr QRect kCheckBoxRect{10, 110, 280, 21};
inline constexpr QRect kButtonRowRect{50, 70, 190, 27};

struct Parts {
    QLabel* label;
    QCheckBox* checkBox;
    QHBoxLayout* buttons;
};

/// Fixes `dialog` at 300 x 140 with the caption, names it `defaultName` when `name` is null and
/// adds the label at `labelRect`, the check box and the empty button row.
Parts build(QDialog* dialog, const char* name, const char* defaultName, bool modal,
            const QRect& labelRect);

/// `text` with each number and its unit kept on one line when a label wraps it: "8 Mbit/s"
/// joined by a no-break space after the number and a word joiner after the slash. It reads the
/// same.
QString keepUnitsWhole(const QString& text);

} // namespace warningform

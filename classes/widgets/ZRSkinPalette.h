#pragma once

#include <QColor>
#include <QPalette>

/// The colours of the skin's "palette" set (in "standard_button_box"): the window and button
/// grounds, the text drawn on them and the text of disabled widgets. Each layer's top-left pixel
/// is its colour; a colour the skin lacks is invalid.
struct ZRSkinColours {
    QColor window;
    QColor text;
    QColor disabledText;
    QColor button;

    /// The preloaded skin's colours (all invalid before the skin is preloaded).
    static ZRSkinColours preloaded();
};

/// Gives `palette` the skin's grounds and the text on them: Window and Button (with the bevel
/// shades Light, Midlight, Mid and Dark made from the button ground), WindowText and ButtonText
/// (disabled ones in the disabled colour). Base and Text, the white fields of plain
/// edits, lists and spin boxes, are left as they are. Roles whose colour the skin lacks keep
/// theirs.
void applySkinColours(QPalette& palette, const ZRSkinColours& colours);

/// Sets `role` in the active and inactive groups to `colour` and in the disabled group to
/// `disabled`; an invalid colour leaves its groups as they are.
void setRoleColours(QPalette& palette, QPalette::ColorRole role, const QColor& colour,
                    const QColor& disabled);

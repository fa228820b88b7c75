#include "classes/widgets/ZRSkinPalette.h"

#include "classes/skins/ZRSkinPreload.h"

namespace {

QColor layerColour(const PSDLayerSet* set, const char* name) {
    const PSDLayer* layer = set ? set->layers.find(QLatin1String(name)) : nullptr;
    if (!layer || layer->image.isNull()) return QColor();
    return QColor::fromRgba(layer->image.pixel(0, 0));
}

} // namespace

ZRSkinColours ZRSkinColours::preloaded() {
    QDict<PSDLayerSet>* sets = preloadedSkinSets("standard_button_box");
    const PSDLayerSet* set = sets ? sets->find(QStringLiteral("palette")) : nullptr;
    return {layerColour(set, "window"), layerColour(set, "text"), layerColour(set, "disabled_text"),
            layerColour(set, "button")};
}

void setRoleColours(QPalette& palette, QPalette::ColorRole role, const QColor& colour,
                    const QColor& disabled) {
    if (colour.isValid()) {
        palette.setColor(QPalette::Active, role, colour);
        palette.setColor(QPalette::Inactive, role, colour);
    }
    if (disabled.isValid()) palette.setColor(QPalette::Disabled, role, disabled);
}

void applySkinColours(QPalette& palette, const ZRSkinColours& colours) {
    setRoleColours(palette, QPalette::Window, colours.window, colours.window);
    setRoleColours(palette, QPalette::Button, colours.button, colours.button);
    // The base style bevels plain buttons and frames with these, drawn from the button ground.
    if (colours.button.isValid()) {
        const QColor b = colours.button;
        setRoleColours(palette, QPalette::Light, b.lighter(140), b.lighter(140));
        setRoleColours(palette, QPalette::Midlight, b.lighter(120), b.lighter(120));
        setRoleColours(palette, QPalette::Mid, b.darker(130), b.darker(130));
        setRoleColours(palette, QPalette::Dark, b.darker(170), b.darker(170));
    }
    // Qt's own grounds are light and its text dark; the skin's grounds are dark, so every text
    // drawn on a window or button ground takes the skin's light colour.
    setRoleColours(palette, QPalette::WindowText, colours.text, colours.disabledText);
    setRoleColours(palette, QPalette::ButtonText, colours.text, colours.disabledText);
}

#include "classes/widgets/ZRScrollBarSkin.h"

#include <algorithm>

namespace {

using Piece = ZRScrollBarPieces::Piece;

Piece pieceOf(QDict<PSDLayerSet>* skin, const QString& set, const char* layer) {
    PSDLayerSet* s = skin ? skin->find(set) : nullptr;
    const PSDLayer* l = s ? s->layers.find(QLatin1String(layer)) : nullptr;
    Piece piece;
    if (l && !l->image.isNull()) piece = {&l->image, l->position};
    return piece;
}

void loadPieces(ZRScrollBarPieces& p, QDict<PSDLayerSet>* skin, const QString& prefix,
                bool horizontal) {
    const char* const arrowSets[] = {"normal", "pressed", "disabled"};
    for (int i = 0; i < ZRScrollBarPieces::ArrowStateCount; ++i) {
        p.sub[i] = pieceOf(skin, prefix + QLatin1String(arrowSets[i]), "sub");
        p.add[i] = pieceOf(skin, prefix + QLatin1String(arrowSets[i]), "add");
    }
    const char* const sliderSets[] = {"slider_normal", "slider_pressed"};
    for (int i = 0; i < ZRScrollBarPieces::SliderStateCount; ++i) {
        const QString set = prefix + QLatin1String(sliderSets[i]);
        p.first[i] = pieceOf(skin, set, "first");
        p.middle[i] = pieceOf(skin, set, "middle");
        p.last[i] = pieceOf(skin, set, "last");
    }
    const QString other = prefix + QLatin1String("other");
    p.grabber = pieceOf(skin, other, "grabber");
    p.fillNormal = pieceOf(skin, other, "fill_normal");
    p.fillDisabled = pieceOf(skin, other, "fill_disabled");

    auto along = [&](const Piece& piece) {
        return piece.image ? (horizontal ? piece.image->width() : piece.image->height()) : 0;
    };
    auto across = [&](const Piece& piece) {
        return piece.image ? (horizontal ? piece.image->height() : piece.image->width()) : 0;
    };
    int arrowLength = 0;
    int arrowThickness = 0;
    for (int i = 0; i < ZRScrollBarPieces::ArrowStateCount; ++i) {
        arrowLength = std::max(arrowLength, along(p.sub[i]) + along(p.add[i]));
        arrowThickness = std::max({arrowThickness, across(p.sub[i]), across(p.add[i])});
    }
    int sliderLength = 0;
    int sliderThickness = 0;
    for (int i = 0; i < ZRScrollBarPieces::SliderStateCount; ++i) {
        sliderLength =
            std::max(sliderLength, along(p.first[i]) + along(p.middle[i]) + along(p.last[i]));
        sliderThickness =
            std::max({sliderThickness, across(p.first[i]), across(p.middle[i]), across(p.last[i])});
    }
    p.size = QSize(arrowLength + sliderLength, std::max(arrowThickness, sliderThickness));
}

} // namespace

void ZRScrollBarSkin::load(QDict<PSDLayerSet>* skin) {
    loadPieces(horizontal, skin, QStringLiteral("horz_"), true);
    loadPieces(vertical, skin, QStringLiteral("vert_"), false);
}

#pragma once

// Skin dictionaries: the layers of a loaded PSD grouped into its layer sets. Widgets look a set
// up by name, then a layer of it by name (a state such as "normal", "pressed", "over",
// "disabled", or a part such as "left", "middle", "right", "fill_color"):
//
//   PSDLayerSet* set = sets->find("knob");          // null when absent
//   PSDLayer* layer = set ? set->layers.find("normal") : nullptr;
//
// Dictionaries and layers are read-only once built; what `find` returns is borrowed and stays
// valid as long as the dictionary (for preloaded skins: the whole process).

#include "classes/skins/PSDLayer.h"

#include <memory>

/// One layer set: its divider ("</Layer set>"), members and header layer (named after the set,
/// carrying the set's opacity), keyed by layer name.
struct PSDLayerSet {
    int originX = 0; ///< left of the set's bounds in document pixels
    int originY = 0; ///< top of the set's bounds in document pixels
    QRect bounds;    ///< union of the non-empty layer rectangles, in document pixels
    QDict<PSDLayer> layers;
};

/// Groups the layers of `flat` that belong to a set (set id >= 0) into sets, in file order.
/// Among same-named layers of a set, `find` answers the upper one. With `relative`, each
/// non-empty layer's position becomes relative to its set's origin and the grouped layers are
/// taken out of `flat`, which then keeps only "</Merged layer>" and the layers outside every set.
/// Null when `flat` is null or no layer belongs to a set.
std::unique_ptr<QDict<PSDLayerSet>> groupLayersIntoSets(QDict<PSDLayer>* flat, bool relative);

/// Scales the alpha of every layer of the set named `setName` (every set when null) by the
/// opacity of the set's header layer, leaving the header and the divider alone. A set without
/// a header is left as it is; nothing happens for null `sets`.
void applyLayerSetOpacity(QDict<PSDLayerSet>* sets, const char* setName);

/// The union of every set's bounds placed at its origin; (0, 0, -1, -1) for null or no sets.
QRect layerSetsBoundingRect(QDict<PSDLayerSet>* sets);

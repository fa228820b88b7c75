#include "classes/skins/PSDLayerSet.h"

#include "classes/pixels/ZRPixelRoutines.h"

#include <QHash>

#include <vector>

std::unique_ptr<QDict<PSDLayerSet>> groupLayersIntoSets(QDict<PSDLayer>* flat, bool relative) {
    if (!flat) return nullptr;
    QHash<QString, QRect> bounds;
    std::vector<std::shared_ptr<PSDLayer>> members;
    for (const auto& [name, layer] : *flat) {
        if (layer->setId < 0) continue;
        const QRect r = layer->rect();
        if (!r.isEmpty()) {
            QRect& b = bounds[layer->setName];
            b = b.isNull() ? r : b.united(r);
        }
        members.push_back(layer);
    }
    if (members.empty()) return nullptr;

    auto sets = std::make_unique<QDict<PSDLayerSet>>();
    for (const std::shared_ptr<PSDLayer>& layer : members) {
        PSDLayerSet* set = sets->find(layer->setName);
        if (!set) {
            auto created = std::make_shared<PSDLayerSet>();
            created->bounds = bounds.value(layer->setName, QRect(0, 0, 0, 0));
            if (!created->bounds.isNull()) {
                created->originX = created->bounds.x();
                created->originY = created->bounds.y();
            }
            set = created.get();
            sets->insert(layer->setName, std::move(created));
        }
        if (relative && !layer->rect().isEmpty())
            layer->position -= QPoint(set->originX, set->originY);
        set->layers.insert(layer->name, layer);
        if (relative) flat->take(layer.get());
    }
    return sets;
}

void applyLayerSetOpacity(QDict<PSDLayerSet>* sets, const char* setName) {
    if (!sets) return;
    const auto apply = [](const QString& name, PSDLayerSet& set) {
        const PSDLayer* header = set.layers.find(name);
        if (!header) return;
        for (const auto& [layerName, layer] : set.layers) {
            if (layer.get() == header || layerName == kLayerSetDividerName) continue;
            QImage& image = layer->image;
            if (image.isNull()) continue;
            applyOpacity(reinterpret_cast<uint32_t*>(image.bits()), int(image.bytesPerLine()),
                         image.width(), image.height(), header->opacity);
        }
    };
    if (setName) {
        const QString name = QString::fromLatin1(setName);
        if (PSDLayerSet* set = sets->find(name)) apply(name, *set);
        return;
    }
    for (const auto& [name, set] : *sets)
        apply(name, *set);
}

QRect layerSetsBoundingRect(QDict<PSDLayerSet>* sets) {
    QRect result(0, 0, 0, 0);
    if (!sets) return result;
    for (const auto& [name, set] : *sets) {
        const QRect placed(QPoint(set->originX, set->originY), set->bounds.size());
        if (placed.isEmpty()) continue;
        result = result.isNull() ? placed : result.united(placed);
    }
    return result;
}

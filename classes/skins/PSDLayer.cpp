#include "classes/skins/PSDLayer.h"

PSDLayer::PSDLayer()
    : canvasRect(0, 0, 0, 0), name(kMergedLayerName), layerIndex(-1), layerId(-1), setId(-1),
      opacity(255) {}

PSDLayer::PSDLayer(const QRect& canvasRect, const QPoint& position, const QImage& image,
                   const QString& name, int layerIndex, int layerId, uint8_t opacity)
    : PSDLayer(canvasRect, position, image, name, layerIndex, layerId, opacity, QString(), -1) {}

PSDLayer::PSDLayer(const QRect& canvasRect, const QPoint& position, const QImage& image,
                   const QString& name, int layerIndex, int layerId, uint8_t opacity,
                   const QString& setName, int setId)
    : canvasRect(canvasRect), position(position), image(image), name(name), layerIndex(layerIndex),
      layerId(layerId), setName(setName), setId(setId), opacity(opacity) {}

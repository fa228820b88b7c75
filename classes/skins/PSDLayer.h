#pragma once

#include "classes/skins/QDict.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

/// One layer of a loaded PSD skin, or its flattened composite ("</Merged layer>").
/// The image is 32-bit straight-alpha ARGB. Records are shared read-only by every widget that
/// uses them once loading is done.
struct PSDLayer {
    /// The composite record: canvas (0, 0, -1, -1), position (0, 0), name "</Merged layer>",
    /// index -1, id -1, no set, opacity 255.
    PSDLayer();
    PSDLayer(const QRect& canvasRect, const QPoint& position, const QImage& image,
             const QString& name, int layerIndex, int layerId, uint8_t opacity);
    PSDLayer(const QRect& canvasRect, const QPoint& position, const QImage& image,
             const QString& name, int layerIndex, int layerId, uint8_t opacity,
             const QString& setName, int setId);

    QRect canvasRect; ///< (0, 0, document width - 1, document height - 1)
    QPoint position;  ///< left/top in document pixels; set-relative after relative grouping
    QImage image;     ///< layer width x height (document size for the composite)
    QString name;     ///< layer name; "</Merged layer>" for the composite
    int layerIndex;   ///< file order, 0 = bottom layer; -1 for the composite
    int layerId;      ///< value of the layer's "lyid" block, -1 without one
    QString setName;  ///< name of the layer set holding the layer; empty when none
    int setId;        ///< >= 0 inside a set (the header layer's id), -1 otherwise
    uint8_t opacity;  ///< the layer's opacity byte; 255 for the composite

    /// The layer's rectangle: its position with its image's size.
    QRect rect() const { return QRect(position, image.size()); }
};

/// The name of the composite record of every loaded document.
inline const QString kMergedLayerName = QStringLiteral("</Merged layer>");
/// The name Photoshop gives the divider layer that opens a layer set.
inline const QString kLayerSetDividerName = QStringLiteral("</Layer set>");

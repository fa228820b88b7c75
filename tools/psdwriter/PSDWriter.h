#pragma once

// Writes layered PSD documents (version 1, 8-bit RGB, raw or PackBits channels, layer sets
// marked with "lnsr"/"lsct"/"lyid" blocks, a merged composite) as the skin loader reads them.
// skingen writes the program's skins with it; the loader's tests and fuzz target build their
// fixtures with it, using the switches that produce broken files.

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

/// One layer as written. Layers are given bottom first (file order).
struct PSDWriteLayer {
    QString name;
    QPoint position;
    QImage image; ///< any format; written as straight-alpha ARGB
    uint8_t opacity = 255;
    int layerId = -1;            ///< written as an "lyid" block when >= 0
    bool opensSet = false;       ///< "lnsr" = "lset": the divider that opens a set
    int sectionType = -1;        ///< "lsct" value when >= 0 (1 or 2 closes a set)
    bool idAfterSection = false; ///< write "lyid" after "lsct" instead of before

    // Switches for broken files.
    std::optional<QRect> bounds;        ///< top/left/bottom/right written instead of the image's
    std::optional<int> channelCount;    ///< channel records written (extra ones are empty)
    std::optional<int> compression;     ///< compression word of every channel
    int shortenRawBy = 0;               ///< raw channel data this many bytes short of w x h
    std::optional<uint32_t> rawLayerId; ///< "lyid" value written as is
    bool badBlockSignature = false;     ///< first tagged block signed "8BXX"
    int extraLengthDelta = 0;           ///< added to the announced extra data length
    std::vector<int> channelIds = {-1, 0, 1, 2}; ///< channel ids, in order
};

struct PSDWriteOptions {
    bool rle = true;                ///< PackBits for layers and composite
    int compositeChannels = 4;      ///< 3 leaves the composite without alpha
    bool negativeLayerCount = true; ///< the composite's alpha is the merged transparency
    bool emptyLayerSection = false; ///< no layers at all
    // Switches for broken files.
    int version = 1;
    int depth = 8;
    int colourMode = 3;
    std::optional<int> headerChannels;
    std::optional<int> compositeCompression;
    std::optional<int> layerCount; ///< layer count word written as is
};

/// The document: canvas size and layers. The composite is the layers drawn bottom to top with
/// their opacity, members of a set also with their header's opacity.
QByteArray writePSD(const QSize& canvas, const std::vector<PSDWriteLayer>& layers,
                    const PSDWriteOptions& options = {});

/// The composite writePSD stores: the layers drawn bottom to top with their opacity, members of
/// a set also with their header's opacity.
QImage composePSDLayers(const QSize& canvas, const std::vector<PSDWriteLayer>& layers);

/// Appends a layer set as Photoshop lays it out: the divider "</Layer set>" (opens the set),
/// the members (bottom first), the header named `name` (closes it, carries the set's opacity).
/// Ids are taken from `*nextId` upward.
void appendLayerSet(std::vector<PSDWriteLayer>* layers, const QString& name,
                    std::vector<PSDWriteLayer> members, uint8_t opacity, int* nextId);

/// PackBits of one row: runs and literals of at most 128 bytes, never the header -128.
QByteArray encodePackBits(const uchar* data, int length, int step = 1);

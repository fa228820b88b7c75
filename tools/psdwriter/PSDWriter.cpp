#include "tools/psdwriter/PSDWriter.h"

#include <QPainter>

namespace {

class Out {
public:
    void u8(int v) { bytes.append(char(v)); }
    void u16(int v) {
        u8(v >> 8);
        u8(v);
    }
    void u32(uint32_t v) {
        u16(int(v >> 16));
        u16(int(v & 0xFFFF));
    }
    void tag(const char* four) { bytes.append(four, 4); }
    void patch32(qsizetype at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(v >> (24 - 8 * i));
    }
    qsizetype size() const { return bytes.size(); }
    QByteArray bytes;
};

// Byte of the 32-bit pixel each channel id reads.
int byteOfChannel(int id) {
    switch (id) {
    case 0:
        return 2;
    case 1:
        return 1;
    case 2:
        return 0;
    default:
        return 3;
    }
}

QByteArray plane(const QImage& image, int byte) {
    QByteArray out(qsizetype(image.width()) * image.height(), 0);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            out[qsizetype(y) * image.width() + x] = char(row[4 * x + byte]);
    }
    return out;
}

// Rows of one plane, PackBits: the row counts, then the rows.
QByteArray rlePlane(const QByteArray& data, int w, int h, QByteArray* counts) {
    QByteArray rows;
    for (int y = 0; y < h; ++y) {
        const QByteArray row =
            encodePackBits(reinterpret_cast<const uchar*>(data.constData()) + qsizetype(y) * w, w);
        counts->append(char(row.size() >> 8));
        counts->append(char(row.size()));
        rows += row;
    }
    return rows;
}

QByteArray channelData(const QImage& image, int id, const PSDWriteLayer& layer, bool rle) {
    Out out;
    const int compression = layer.compression.value_or(rle ? 1 : 0);
    out.u16(compression);
    if (image.isNull()) return out.bytes;
    const QByteArray p = plane(image, byteOfChannel(id));
    if (compression == 1) {
        QByteArray counts;
        const QByteArray rows = rlePlane(p, image.width(), image.height(), &counts);
        out.bytes += counts + rows;
    } else {
        out.bytes += p.left(p.size() - layer.shortenRawBy);
    }
    return out.bytes;
}

void writeBlock(Out* out, const char* key, uint32_t value, bool badSignature) {
    out->tag(badSignature ? "8BXX" : "8BIM");
    out->tag(key);
    out->u32(4);
    out->u32(value);
}

} // namespace

QImage composePSDLayers(const QSize& canvas, const std::vector<PSDWriteLayer>& layers) {
    if (canvas.isEmpty()) return QImage();
    QImage image(canvas, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    // Members sit between their divider and header; the header's opacity is known only at the
    // header, so look it up first.
    std::vector<double> setOpacity(layers.size(), 1.0);
    for (size_t i = 0; i < layers.size(); ++i) {
        if (!layers[i].opensSet) continue;
        for (size_t j = i + 1; j < layers.size(); ++j) {
            if (layers[j].sectionType == 1 || layers[j].sectionType == 2) {
                for (size_t k = i; k < j; ++k)
                    setOpacity[k] = layers[j].opacity / 255.0;
                break;
            }
        }
    }
    for (size_t i = 0; i < layers.size(); ++i) {
        const PSDWriteLayer& layer = layers[i];
        if (layer.image.isNull() || layer.sectionType == 1 || layer.sectionType == 2) continue;
        p.setOpacity(layer.opacity / 255.0 * setOpacity[i]);
        p.drawImage(layer.position, layer.image);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray encodePackBits(const uchar* data, int length, int step) {
    QByteArray out;
    const auto at = [&](int i) { return data[qsizetype(i) * step]; };
    int i = 0;
    while (i < length) {
        int run = 1;
        while (i + run < length && run < 128 && at(i + run) == at(i))
            ++run;
        if (run >= 2) {
            out.append(char(1 - run));
            out.append(char(at(i)));
            i += run;
            continue;
        }
        int literal = 1;
        while (i + literal < length && literal < 128 &&
               !(i + literal + 1 < length && at(i + literal) == at(i + literal + 1)))
            ++literal;
        out.append(char(literal - 1));
        for (int k = 0; k < literal; ++k)
            out.append(char(at(i + k)));
        i += literal;
    }
    return out;
}

void appendLayerSet(std::vector<PSDWriteLayer>* layers, const QString& name,
                    std::vector<PSDWriteLayer> members, uint8_t opacity, int* nextId) {
    PSDWriteLayer divider;
    divider.name = QStringLiteral("</Layer set>");
    divider.opensSet = true;
    divider.sectionType = 3;
    divider.layerId = (*nextId)++;
    layers->push_back(divider);
    for (PSDWriteLayer& member : members) {
        if (member.layerId < 0) member.layerId = (*nextId)++;
        layers->push_back(std::move(member));
    }
    PSDWriteLayer header;
    header.name = name;
    header.opacity = opacity;
    header.sectionType = 1;
    header.layerId = (*nextId)++;
    layers->push_back(header);
}

QByteArray writePSD(const QSize& canvas, const std::vector<PSDWriteLayer>& layers,
                    const PSDWriteOptions& options) {
    Out out;
    out.tag("8BPS");
    out.u16(options.version);
    out.u32(0);
    out.u16(0);
    out.u16(options.headerChannels.value_or(options.compositeChannels));
    out.u32(uint32_t(canvas.height()));
    out.u32(uint32_t(canvas.width()));
    out.u16(options.depth);
    out.u16(options.colourMode);
    out.u32(0); // colour mode data
    out.u32(0); // image resources

    if (options.emptyLayerSection) {
        out.u32(0);
    } else {
        const qsizetype sectionAt = out.size();
        out.u32(0);
        const qsizetype infoAt = out.size();
        out.u32(0);
        const int count = int(layers.size());
        out.u16(options.layerCount.value_or(options.negativeLayerCount ? -count : count));
        std::vector<std::vector<QByteArray>> data;
        for (const PSDWriteLayer& layer : layers) {
            const QImage image = layer.image.convertToFormat(QImage::Format_ARGB32);
            const QRect r = layer.bounds.value_or(QRect(layer.position, image.size()));
            out.u32(uint32_t(r.top()));
            out.u32(uint32_t(r.left()));
            out.u32(uint32_t(r.top() + r.height()));
            out.u32(uint32_t(r.left() + r.width()));
            const int channels = layer.channelCount.value_or(int(layer.channelIds.size()));
            out.u16(channels);
            std::vector<QByteArray> channelBytes;
            for (int c = 0; c < channels; ++c) {
                const int id = c < int(layer.channelIds.size()) ? layer.channelIds[size_t(c)] : 3;
                channelBytes.push_back(c < int(layer.channelIds.size())
                                           ? channelData(image, id, layer, options.rle)
                                           : QByteArray(2, 0));
                out.u16(id);
                out.u32(uint32_t(channelBytes.back().size()));
            }
            data.push_back(std::move(channelBytes));
            out.tag("8BIM");
            out.tag("norm");
            out.u8(layer.opacity);
            out.u8(0);
            out.u8(0);
            out.u8(0);
            const qsizetype extraAt = out.size();
            out.u32(0);
            out.u32(0); // mask data
            out.u32(0); // blending ranges
            const QByteArray name = layer.name.toLatin1().left(255);
            out.u8(int(name.size()));
            out.bytes += name;
            for (qsizetype pad = (4 - (1 + name.size()) % 4) % 4; pad > 0; --pad)
                out.u8(0);
            bool bad = layer.badBlockSignature;
            const uint32_t id = layer.rawLayerId.value_or(uint32_t(layer.layerId));
            const bool hasId = layer.rawLayerId || layer.layerId >= 0;
            if (hasId && !layer.idAfterSection) {
                writeBlock(&out, "lyid", id, bad);
                bad = false;
            }
            if (layer.opensSet) {
                writeBlock(&out, "lnsr", 0x6C736574, bad);
                bad = false;
            }
            if (layer.sectionType >= 0) {
                writeBlock(&out, "lsct", uint32_t(layer.sectionType), bad);
                bad = false;
            }
            if (hasId && layer.idAfterSection) writeBlock(&out, "lyid", id, bad);
            out.patch32(extraAt, uint32_t(out.size() - extraAt - 4 + layer.extraLengthDelta));
        }
        for (const std::vector<QByteArray>& channels : data)
            for (const QByteArray& bytes : channels)
                out.bytes += bytes;
        if ((out.size() - infoAt - 4) % 2) out.u8(0);
        out.patch32(infoAt, uint32_t(out.size() - infoAt - 4));
        out.u32(0); // global layer mask
        out.patch32(sectionAt, uint32_t(out.size() - sectionAt - 4));
    }

    const QImage merged = composePSDLayers(canvas, layers);
    const int compression = options.compositeCompression.value_or(options.rle ? 1 : 0);
    out.u16(compression);
    const int channels = options.compositeChannels;
    constexpr int kByte[4] = {2, 1, 0, 3};
    if (compression == 1) {
        QByteArray counts, rows;
        for (int c = 0; c < channels; ++c)
            rows += rlePlane(plane(merged, kByte[c]), canvas.width(), canvas.height(), &counts);
        out.bytes += counts + rows;
    } else {
        for (int c = 0; c < channels; ++c)
            out.bytes += plane(merged, kByte[c]);
    }
    return out.bytes;
}

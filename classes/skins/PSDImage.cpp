#include "classes/skins/PSDImage.h"

#include "classes/pixels/ZRPixelRoutines.h"

#include <QBuffer>
#include <QDebug>
#include <QFile>

#include <cstring>
#include <vector>

qint64 read16(QIODevice* device, ushort* value) {
    uchar b[2];
    if (device->read(reinterpret_cast<char*>(b), 2) != 2) return -1;
    *value = ushort(b[0] << 8 | b[1]);
    return 2;
}

qint64 read32(QIODevice* device, uint* value) {
    uchar b[4];
    if (device->read(reinterpret_cast<char*>(b), 4) != 4) return -1;
    *value = uint(b[0]) << 24 | uint(b[1]) << 16 | uint(b[2]) << 8 | b[3];
    return 4;
}

bool decodePackBits(const uchar* src, int srcLength, int expected, uchar* dst, int step) {
    int produced = 0;
    while (srcLength > 0) {
        if (produced >= expected) return produced == expected;
        const int n = static_cast<signed char>(*src);
        if (n < 0) {
            const int count = 1 - n;
            if (srcLength < 2) return false;
            produced += count;
            srcLength -= 2;
            if (produced <= expected) {
                for (int i = 0; i < count; ++i, dst += step)
                    *dst = src[1];
            }
            src += 2;
        } else {
            const int count = n + 1;
            if (srcLength < count + 1) return false;
            produced += count;
            srcLength -= count + 1;
            if (produced <= expected) {
                for (int i = 0; i < count; ++i, dst += step)
                    *dst = src[1 + i];
            }
            src += count + 1;
        }
    }
    return produced <= expected;
}

namespace {

constexpr int kMaxChannels = 30;
constexpr uint kRleRun = 128;

// Byte of a pixel word each channel index lands in, and the default of that byte.
constexpr int kChannelByte[4] = {2, 1, 0, 3};
constexpr uchar kChannelDefault[4] = {0, 0, 0, 255};

struct ChannelInfo {
    int id = 0;
    quint32 length = 0;
};

struct LayerDescriptor {
    qint64 top = 0, left = 0, width = 0, height = 0;
    std::vector<ChannelInfo> channels;
    uint blendKey = 0;
    uchar opacity = 255;
    QString name;
    int layerId = -1;
    QString setName;
    int setId = -1;
};

/* ** One load. Each step answers false after recording the failure's code, so the first failure
** ends the load with the code the file format table gives for the field that failed. */
class PSDReader {
public:
    PSDReader(QIODevice* device, int flags) : m_dev(device), m_flags(flags) {}

    std::unique_ptr<QDict<PSDLayer>> load();
    int error() const { return m_error; }

private:
    bool fail(int code) {
        m_error = code;
        return false;
    }
    qint64 left() const { return m_dev->size() - m_dev->pos(); }
    bool get16(ushort* v, int code) { return read16(m_dev, v) == 2 || fail(code); }
    bool get32(uint* v, int code) { return read32(m_dev, v) == 4 || fail(code); }
    bool get8(uchar* v, int code) {
        return m_dev->read(reinterpret_cast<char*>(v), 1) == 1 || fail(code);
    }
    bool skip(qint64 n, int code) {
        if (n < 0 || n > left()) return fail(code);
        return m_dev->seek(m_dev->pos() + n) || fail(code);
    }
    bool readBlock(QByteArray* out, qint64 n, int memoryCode, int shortCode);

    bool readHeader();
    bool readLayerRecord(LayerDescriptor* layer, int index);
    bool readLayerExtra(LayerDescriptor* layer, int index, qint64 end);
    bool closeSet(int headerIndex, int id);
    bool readLayerChannels(const LayerDescriptor& layer, PSDLayer* record);
    bool readChannel(const LayerDescriptor& layer, const ChannelInfo& channel, QImage* image);
    bool readComposite(PSDLayer* composite);
    // The fewest bytes the document's composite can take, raw or packed.
    qint64 compositeFloor() const;

    QIODevice* m_dev;
    int m_flags;
    int m_error = 1;
    uint m_channels = 0, m_height = 0, m_width = 0;
    std::vector<LayerDescriptor> m_layers;
    int m_openSet = -1;
    int m_waitingClose = -1;
};

// The fewest bytes a PackBits image of w x h one-byte pixels can take: row counts and two
// bytes per 128 pixels of each row.
qint64 minimumRleSize(qint64 w, qint64 h) {
    return h * 2 + h * ((w + kRleRun - 1) / kRleRun) * 2;
}

qint64 PSDReader::compositeFloor() const {
    const qint64 w = m_width, h = m_height;
    return qMin(w * h * qMin<uint>(m_channels, 4), minimumRleSize(w, h) * m_channels);
}

QRect canvasOf(uint w, uint h) {
    return QRect(0, 0, int(w), int(h));
}

bool PSDReader::readBlock(QByteArray* out, qint64 n, int memoryCode, int shortCode) {
    if (n < 0 || n > left()) return fail(shortCode);
    out->resize(qsizetype(n));
    if (out->size() != n) return fail(memoryCode);
    return m_dev->read(out->data(), n) == n || fail(shortCode);
}

bool PSDReader::readHeader() {
    uint signature, reserved4;
    ushort version, reserved2, channels, depth, mode;
    if (!get32(&signature, -2) || !get16(&version, -3)) return false;
    if (version != 1) return fail(0);
    if (!get32(&reserved4, -4) || !get16(&reserved2, -5) || !get16(&channels, -6)) return false;
    // A document without channels would have no pixel data to bound its size with.
    if (channels > 16 || channels == 0) return fail(0);
    if (!get32(&m_height, -7) || !get32(&m_width, -8) || !get16(&depth, -9)) return false;
    if (depth != 8) return fail(0);
    if (!get16(&mode, -10)) return false;
    if (mode != 3) return fail(0);
    // Sizes must fit a QImage dimension; anything larger is no skin.
    if (m_height > 0x7FFFFFFF || m_width > 0x7FFFFFFF) return fail(0);
    m_channels = channels;
    return true;
}

bool PSDReader::readLayerRecord(LayerDescriptor* layer, int index) {
    uint top, left, bottom, right;
    ushort count;
    if (!get32(&top, -16) || !get32(&left, -17) || !get32(&bottom, -18) || !get32(&right, -19) ||
        !get16(&count, -20))
        return false;
    layer->top = qint32(top);
    layer->left = qint32(left);
    layer->width = qint64(qint32(right)) - qint32(left);
    layer->height = qint64(qint32(bottom)) - qint32(top);
    if (layer->width < 0 || layer->height < 0 || layer->width > 0x7FFFFFFF ||
        layer->height > 0x7FFFFFFF || count > kMaxChannels)
        return fail(0);
    layer->channels.resize(count);
    for (ChannelInfo& channel : layer->channels) {
        ushort id;
        uint length;
        if (!get16(&id, -21) || !get32(&length, -22)) return false;
        if (length < 2) return fail(0);
        channel.id = short(id);
        channel.length = length;
    }
    uint signature, extraLength;
    uchar clipping, layerFlags, filler;
    if (!get32(&signature, -23)) return false;
    if (!get32(&layer->blendKey, -24) || !get8(&layer->opacity, -25) || !get8(&clipping, -26) ||
        !get8(&layerFlags, -27) || !get8(&filler, -28) || !get32(&extraLength, -29))
        return false;
    return readLayerExtra(layer, index, m_dev->pos() + qint64(extraLength));
}

bool PSDReader::readLayerExtra(LayerDescriptor* layer, int index, qint64 end) {
    uint maskLength, rangesLength;
    if (!get32(&maskLength, -30) || !skip(maskLength, -30)) return false;
    if (!get32(&rangesLength, -31) || !skip(rangesLength, -31)) return false;
    uchar nameLength;
    if (!get8(&nameLength, -32)) return false;
    QByteArray name;
    if (!readBlock(&name, nameLength, -33, -34)) return false;
    layer->name = QString::fromLatin1(name);
    // The name field (length byte and text) is padded to a multiple of 4 bytes.
    const int pad = (4 - (1 + nameLength) % 4) % 4;
    if (!skip(pad, -34)) return false;

    while (m_dev->pos() < end) {
        uint signature, key, length;
        if (!get32(&signature, -46)) return false;
        if (signature != 0x3842494D) return fail(-46); // "8BIM"
        if (!get32(&key, -47) || !get32(&length, -49)) return false;
        qint64 rest = length;
        if (key == 0x6C6E7372 || key == 0x6C736374 || key == 0x6C796964) { // lnsr lsct lyid
            uint value;
            if (length < 4 || !get32(&value, -48)) return length < 4 ? fail(-48) : false;
            rest -= 4;
            if (key == 0x6C6E7372) {
                if (value == 0x6C736574 && m_openSet < 0) m_openSet = index; // "lset"
            } else if (key == 0x6C736374) {
                if ((value == 1 || value == 2) && m_openSet >= 0) {
                    if (layer->layerId >= 0) {
                        if (!closeSet(index, layer->layerId)) return false;
                    } else {
                        m_waitingClose = index;
                    }
                }
            } else {
                // Ids are kept as non-negative ints; a larger one could pose as "no set".
                if (value > 0x7FFFFFFF) return fail(0);
                layer->layerId = int(value);
                if (m_waitingClose == index && !closeSet(index, layer->layerId)) return false;
            }
        }
        if (!skip(rest, -49)) return false;
    }
    // A header that never got its id cannot name its set: the set is dropped.
    if (m_waitingClose == index) {
        m_waitingClose = -1;
        m_openSet = -1;
    }
    return m_dev->pos() == end || fail(-45);
}

bool PSDReader::closeSet(int headerIndex, int id) {
    LayerDescriptor& header = m_layers[size_t(headerIndex)];
    for (int i = m_openSet; i <= headerIndex; ++i) {
        m_layers[size_t(i)].setName = header.name;
        m_layers[size_t(i)].setId = id;
    }
    m_openSet = -1;
    m_waitingClose = -1;
    return true;
}

// Sets byte `index` of every pixel to its channel's default.
void fillChannelDefault(QImage* image, int index) {
    for (int y = 0; y < image->height(); ++y) {
        uchar* p = image->scanLine(y) + kChannelByte[index];
        for (int x = 0; x < image->width(); ++x)
            p[4 * x] = kChannelDefault[index];
    }
}

bool PSDReader::readChannel(const LayerDescriptor& layer, const ChannelInfo& channel,
                            QImage* image) {
    const qint64 dataLength = qint64(channel.length) - 2;
    // Ids 0..2 are red, green, blue; a negative id k is index 2 - k (-1 alpha, -2 the mask).
    const int index = channel.id < 0 ? 2 - channel.id : channel.id;
    if (index > 3) return skip(channel.length, -37);
    if (index >= int(layer.channels.size())) {
        fillChannelDefault(image, index);
        return skip(channel.length, -37);
    }
    ushort compression;
    if (!get16(&compression, -35)) return false;
    // ZIP data (2, 3) is not PackBits; decoding it as such would only make noise.
    if (compression == 2 || compression == 3) return fail(0);
    if (dataLength == 0) {
        fillChannelDefault(image, index);
        return true;
    }
    QByteArray data;
    if (!readBlock(&data, dataLength, -36, -37)) return false;
    if (image->isNull()) return true;
    const qint64 w = image->width(), h = image->height();
    const int target = kChannelByte[index];
    const uchar* src = reinterpret_cast<const uchar*>(data.constData());
    if (compression == 0) {
        if (dataLength < w * h) return fail(-37);
        for (int y = 0; y < h; ++y) {
            uchar* p = image->scanLine(y) + target;
            const uchar* row = src + y * w;
            for (int x = 0; x < w; ++x)
                p[4 * x] = row[x];
        }
        return true;
    }
    if (dataLength < h * 2) return fail(-38);
    qint64 at = h * 2;
    for (int y = 0; y < h; ++y) {
        const qint64 rowLength = src[2 * y] << 8 | src[2 * y + 1];
        if (rowLength > dataLength - at) return fail(-38);
        if (!decodePackBits(src + at, int(rowLength), int(w), image->scanLine(y) + target, 4))
            return fail(-38);
        at += rowLength;
    }
    return true;
}

bool PSDReader::readLayerChannels(const LayerDescriptor& layer, PSDLayer* record) {
    if (layer.width > 0 && layer.height > 0) {
        // The image is made only when the device still holds what the channels announce and
        // they announce at least the smallest one channel can take (raw or packed): a layer may
        // list a single channel, and a narrow one packs to more than its raw size. Channels it
        // does not list keep their defaults.
        const qint64 w = layer.width, h = layer.height;
        qint64 announced = 0;
        for (const ChannelInfo& c : layer.channels)
            announced += qint64(c.length) - 2;
        if (announced > left()) return fail(-36);
        if (announced > 0 && announced < qMin(w * h, minimumRleSize(w, h))) return fail(-36);
        // A layer whose channels all carry no data is only defaults; it may be no larger than
        // the document, whose composite the device must still hold, so a few bytes cannot ask
        // for a huge image.
        if (announced == 0 && (w * h > qint64(m_width) * m_height || compositeFloor() > left()))
            return fail(-36);
        record->image = QImage(int(layer.width), int(layer.height), QImage::Format_ARGB32);
        if (record->image.isNull()) return fail(-36);
        record->image.fill(0xFF000000);
    }
    for (const ChannelInfo& channel : layer.channels)
        if (!readChannel(layer, channel, &record->image)) return false;
    if ((m_flags & kPSDApplyLayerOpacity) && layer.opacity != 255 && !record->image.isNull())
        applyOpacity(reinterpret_cast<uint32_t*>(record->image.bits()),
                     int(record->image.bytesPerLine()), record->image.width(),
                     record->image.height(), layer.opacity);
    return true;
}

bool PSDReader::readComposite(PSDLayer* composite) {
    ushort compression;
    if (!get16(&compression, -39)) return false;
    if (compression > 1) return fail(-40);
    const qint64 w = m_width, h = m_height;
    const int stored = int(qMin<uint>(m_channels, 4));
    const qint64 need = compression == 0 ? w * h * stored : minimumRleSize(w, h) * m_channels;
    if (w * h > 0 && need > left()) return fail(-41);
    if (w > 0 && h > 0) {
        composite->image = QImage(int(w), int(h), QImage::Format_ARGB32);
        if (composite->image.isNull()) return fail(-41);
        composite->image.fill(0);
    }
    QImage& image = composite->image;
    // An empty document has no pixel data to read.
    if (image.isNull()) return true;
    if (compression == 0) {
        QByteArray plane;
        for (int c = 0; c < 4; ++c) {
            if (c >= stored) {
                fillChannelDefault(&image, c);
                continue;
            }
            if (!readBlock(&plane, w * h, -43, -43)) return false;
            const uchar* src = reinterpret_cast<const uchar*>(plane.constData());
            for (int y = 0; y < h; ++y) {
                uchar* p = image.scanLine(y) + kChannelByte[c];
                for (int x = 0; x < w; ++x)
                    p[4 * x] = src[y * w + x];
            }
        }
        return true;
    }
    QByteArray counts;
    if (!readBlock(&counts, h * m_channels * 2, -42, -43)) return false;
    const uchar* count = reinterpret_cast<const uchar*>(counts.constData());
    qint64 total = 0;
    for (qint64 i = 0; i < h * stored; ++i)
        total += count[2 * i] << 8 | count[2 * i + 1];
    QByteArray rows;
    if (!readBlock(&rows, total, -42, -43)) return false;
    const uchar* src = reinterpret_cast<const uchar*>(rows.constData());
    for (int c = 0; c < 4; ++c) {
        if (c >= stored) {
            // Here a missing channel is opaque white, not the layers' black.
            for (int y = 0; y < h; ++y) {
                uchar* p = image.scanLine(y) + kChannelByte[c];
                for (int x = 0; x < w; ++x)
                    p[4 * x] = 255;
            }
            continue;
        }
        for (int y = 0; y < h; ++y) {
            const qint64 i = qint64(c) * h + y;
            const int rowLength = count[2 * i] << 8 | count[2 * i + 1];
            if (!decodePackBits(src, rowLength, int(w), image.scanLine(y) + kChannelByte[c], 4))
                return fail(-44);
            src += rowLength;
        }
    }
    return true;
}

std::unique_ptr<QDict<PSDLayer>> PSDReader::load() {
    auto dict = std::make_unique<QDict<PSDLayer>>();
    auto composite = std::make_shared<PSDLayer>();
    PSDLayer* merged = composite.get();
    dict->insert(kMergedLayerName, std::move(composite));
    if (!readHeader()) return nullptr;
    merged->canvasRect = canvasOf(m_width, m_height);

    uint length;
    if (!get32(&length, -11) || !skip(length, -11)) return nullptr;
    if (!get32(&length, -12) || !skip(length, -12)) return nullptr;
    if (!get32(&length, -13)) return nullptr;
    const qint64 sectionEnd = m_dev->pos() + qint64(length);
    if (length != 0) {
        uint infoLength;
        ushort rawCount;
        if (!get32(&infoLength, -14) || !get16(&rawCount, -15)) return nullptr;
        const int count = qAbs(int(short(rawCount)));
        // Each layer record takes at least 34 bytes; a count the file cannot hold is refused
        // before room for it is made.
        if (qint64(count) * 34 > left()) return fail(0), nullptr;
        m_layers.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            if (!readLayerRecord(&m_layers[size_t(i)], i)) return nullptr;
        for (int i = 0; i < count; ++i) {
            const LayerDescriptor& layer = m_layers[size_t(i)];
            const QPoint position(int(layer.left), int(layer.top));
            auto record =
                layer.setId >= 0
                    ? std::make_shared<PSDLayer>(merged->canvasRect, position, QImage(), layer.name,
                                                 i, layer.layerId, layer.opacity, layer.setName,
                                                 layer.setId)
                    : std::make_shared<PSDLayer>(merged->canvasRect, position, QImage(), layer.name,
                                                 i, layer.layerId, layer.opacity);
            PSDLayer* target = record.get();
            dict->insert(layer.name, std::move(record));
            if (!readLayerChannels(layer, target)) return nullptr;
        }
    }
    if (sectionEnd > m_dev->size() || !m_dev->seek(sectionEnd)) return fail(-39), nullptr;
    if (!readComposite(merged)) return nullptr;
    return dict;
}

} // namespace

std::unique_ptr<QDict<PSDLayer>> LoadPSDImage(QIODevice* device, int flags, int* errorCode) {
    int code = -1;
    std::unique_ptr<QDict<PSDLayer>> result;
    QBuffer buffer;
    QIODevice* source = device;
    if (device && !device->isOpen()) device->open(QIODevice::ReadOnly);
    if (device && device->isReadable()) {
        if (device->isSequential()) {
            // Sizes are checked against the bytes left, which only a random-access device knows.
            buffer.setData(device->readAll());
            buffer.open(QIODevice::ReadOnly);
            source = &buffer;
        }
        PSDReader reader(source, flags);
        result = reader.load();
        code = result ? 1 : reader.error();
    }
    if (code == -1) {
        const QFile* file = qobject_cast<const QFile*>(device);
        qWarning("LoadPSDImage: File open error while loading '%s'",
                 file ? qPrintable(file->fileName()) : "");
    } else if (code != 1) {
        qWarning("LoadPSDImage: error(%d)occured", code);
    }
    if (errorCode) *errorCode = code;
    return result;
}

std::unique_ptr<QDict<PSDLayer>> LoadPSDImage(const char* path, int flags) {
    QFile file(QString::fromLocal8Bit(path));
    return LoadPSDImage(&file, flags);
}

// Skin files come from the program folder but may be replaced by anyone: any bytes must load,
// group and measure without a fault. Inputs whose first byte is odd patch a valid layered file
// instead of standing for the whole file, so the loader sees mostly valid files with a few
// damaged bytes.
#include "classes/skins/PSDImage.h"
#include "classes/skins/PSDLayerSet.h"
#include "tools/psdwriter/PSDWriter.h"

#include <QBuffer>

#include <cstdint>
#include <cstring>

namespace {

QImage gradient(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 9 + seed, y * 13, seed * 3, (x + y) % 3 ? 255 : 90));
    return image;
}

QByteArray validFile(bool rle) {
    std::vector<PSDWriteLayer> layers;
    PSDWriteLayer back;
    back.name = "back";
    back.image = gradient(24, 12, 1);
    layers.push_back(back);
    int id = 3;
    PSDWriteLayer a, b, empty;
    a.name = "normal";
    a.position = {2, 1};
    a.image = gradient(9, 5, 2);
    b.name = "normal";
    b.position = {6, 4};
    b.image = gradient(140, 3, 3);
    b.opacity = 200;
    empty.name = "empty";
    appendLayerSet(&layers, "button", {a, b, empty}, 128, &id);
    layers.back().idAfterSection = true;
    PSDWriteOptions options;
    options.rle = rle;
    return writePSD({150, 12}, layers, options);
}

const QByteArray& baseFile(bool rle) {
    static const QByteArray files[2] = {validFile(false), validFile(true)};
    return files[rle];
}

QByteArray psdBytes(const uint8_t* data, size_t size) {
    if (size < 2 || !(data[0] & 1))
        return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray file = baseFile(data[1] & 2);
    for (size_t at = 2; at + 5 <= size; at += 5) {
        uint32_t offset;
        std::memcpy(&offset, data + at, 4);
        file[qsizetype(offset % uint32_t(file.size()))] = char(data[at + 4]);
    }
    if (data[1] & 4) file.chop(data[1] >> 3);
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet =
        (qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}), true);
    (void)quiet;
    QBuffer buffer;
    buffer.setData(psdBytes(data, size));
    std::unique_ptr<QDict<PSDLayer>> flat = LoadPSDImage(&buffer, kPSDApplyLayerOpacity);
    if (!flat) return 0;
    std::unique_ptr<QDict<PSDLayerSet>> sets =
        groupLayersIntoSets(flat.get(), size > 1 && data[1] & 1);
    applyLayerSetOpacity(sets.get(), nullptr);
    (void)layerSetsBoundingRect(sets.get());
    return 0;
}

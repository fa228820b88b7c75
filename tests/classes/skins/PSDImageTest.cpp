#include "classes/skins/PSDImage.h"
#include "tools/psdwriter/PSDWriter.h"

#include <QBuffer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

QImage solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

PSDWriteLayer layer(const QString& name, QPoint at, const QImage& image, uint8_t opacity = 255) {
    PSDWriteLayer l;
    l.name = name;
    l.position = at;
    l.image = image;
    l.opacity = opacity;
    return l;
}

struct Loaded {
    std::unique_ptr<QDict<PSDLayer>> dict;
    int code = 0;
};

Loaded load(const QByteArray& bytes, int flags = kPSDApplyLayerOpacity) {
    QBuffer buffer;
    buffer.setData(bytes);
    Loaded result;
    result.dict = LoadPSDImage(&buffer, flags, &result.code);
    return result;
}

// Collects the debug lines printed while `run` runs.
QStringList debugLines(const std::function<void()>& run) {
    static QStringList* lines = nullptr;
    QStringList collected;
    lines = &collected;
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { lines->append(text); });
    run();
    qInstallMessageHandler(previous);
    lines = nullptr;
    return collected;
}

// A document with a layer outside sets, a set "button" of two members, and a gradient layer
// that RLE cannot squeeze much.
std::vector<PSDWriteLayer> sampleLayers() {
    QImage gradient(37, 5, QImage::Format_ARGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
            gradient.setPixel(x, y, qRgba(x * 7, y * 40, 255 - x, 100 + x));
    std::vector<PSDWriteLayer> layers{layer("back", {0, 0}, solid(40, 20, 0xFF202020))};
    int id = 10;
    appendLayerSet(&layers, "button",
                   {layer("normal", {2, 3}, solid(8, 4, 0xFF3060C0)),
                    layer("pressed", {4, 5}, solid(6, 4, 0x80FF0000))},
                   255, &id);
    layers.push_back(layer("gradient", {1, 12}, gradient));
    return layers;
}

TEST(PSDImage, ReadsWhatTheWriterWrote) {
    const std::vector<PSDWriteLayer> layers = sampleLayers();
    for (const bool rle : {true, false}) {
        PSDWriteOptions options;
        options.rle = rle;
        const Loaded r = load(writePSD({40, 20}, layers, options));
        ASSERT_TRUE(r.dict) << "rle " << rle;
        EXPECT_EQ(r.code, 1);
        // The composite first, then every layer in file order.
        ASSERT_EQ(r.dict->count(), 7);
        EXPECT_EQ(r.dict->entries().front().first, "</Merged layer>");
        const PSDLayer* merged = r.dict->find("</Merged layer>");
        EXPECT_EQ(merged->canvasRect, QRect(0, 0, 40, 20));
        EXPECT_EQ(merged->layerIndex, -1);
        EXPECT_EQ(merged->image.pixel(5, 4), 0xFF3060C0u);
        EXPECT_EQ(merged->image.pixel(30, 1), 0xFF202020u);

        const PSDLayer* gradient = r.dict->find("gradient");
        ASSERT_TRUE(gradient);
        EXPECT_EQ(gradient->position, QPoint(1, 12));
        EXPECT_EQ(gradient->image, layers.back().image.convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(gradient->layerIndex, 5);
        EXPECT_EQ(r.dict->find("pressed")->image.pixel(0, 0), 0x80FF0000u);
    }
}

TEST(PSDImage, LayerSetsNameTheirLayers) {
    for (const bool late : {false, true}) {
        std::vector<PSDWriteLayer> layers = sampleLayers();
        layers[4].idAfterSection = late; // the header's "lyid" after its "lsct"
        const Loaded r = load(writePSD({40, 20}, layers));
        ASSERT_TRUE(r.dict);
        for (const char* name : {"</Layer set>", "normal", "pressed", "button"}) {
            EXPECT_EQ(r.dict->find(name)->setName, "button") << name << " late " << late;
            EXPECT_EQ(r.dict->find(name)->setId, 13) << name;
        }
        for (const char* name : {"back", "gradient", "</Merged layer>"}) {
            EXPECT_EQ(r.dict->find(name)->setName, "") << name;
            EXPECT_EQ(r.dict->find(name)->setId, -1) << name;
        }
        EXPECT_EQ(r.dict->find("normal")->layerId, 11);
    }
}

TEST(PSDImage, DocumentShapes) {
    // No layers: only the composite.
    PSDWriteOptions empty;
    empty.emptyLayerSection = true;
    Loaded r = load(writePSD({4, 3}, {}, empty));
    ASSERT_TRUE(r.dict);
    EXPECT_EQ(r.dict->count(), 1);
    EXPECT_TRUE(r.dict->find("</Merged layer>"));

    // A document of no width: no pixels, and nothing read past its end.
    r = load(writePSD({0, 3}, {}, empty));
    ASSERT_TRUE(r.dict);
    EXPECT_TRUE(r.dict->find("</Merged layer>")->image.isNull());

    // Three channels: an opaque composite, raw and RLE alike.
    for (const bool rle : {true, false}) {
        PSDWriteOptions three;
        three.compositeChannels = 3;
        three.rle = rle;
        r = load(writePSD({4, 3}, {layer("a", {0, 0}, solid(2, 2, 0x40FFFFFF))}, three));
        ASSERT_TRUE(r.dict);
        const QImage& merged = r.dict->find("</Merged layer>")->image;
        EXPECT_EQ(qAlpha(merged.pixel(3, 2)), 255);
        EXPECT_EQ(qAlpha(merged.pixel(0, 0)), 255);
    }

    // Two layers of one name: both kept, the upper found.
    r = load(writePSD({4, 4}, {layer("x", {0, 0}, solid(1, 1, 0xFF000001)),
                               layer("x", {1, 1}, solid(1, 1, 0xFF000002))}));
    ASSERT_TRUE(r.dict);
    EXPECT_EQ(r.dict->count(), 3);
    EXPECT_EQ(r.dict->find("x")->image.pixel(0, 0), 0xFF000002u);

    // An empty layer keeps its place and has no image.
    r = load(writePSD({4, 4}, {layer("none", {2, 2}, QImage())}));
    ASSERT_TRUE(r.dict);
    EXPECT_TRUE(r.dict->find("none")->image.isNull());
    EXPECT_EQ(r.dict->find("none")->position, QPoint(2, 2));
}

TEST(PSDImage, OpacityFlagScalesLayerAlpha) {
    const QByteArray file = writePSD({4, 4}, {layer("half", {0, 0}, solid(2, 2, 0xFF102030), 128)});
    EXPECT_EQ(load(file, kPSDApplyLayerOpacity).dict->find("half")->image.pixel(1, 1), 0x80102030u);
    EXPECT_EQ(load(file, 0).dict->find("half")->image.pixel(1, 1), 0xFF102030u);
}

TEST(PSDImage, ChannelsAndDefaults) {
    // A layer listing only red keeps green and blue 0 and alpha 255.
    PSDWriteLayer red = layer("red", {0, 0}, solid(3, 2, 0x00AB0000));
    red.channelIds = {0};
    Loaded r = load(writePSD({4, 4}, {red}));
    ASSERT_TRUE(r.dict);
    EXPECT_EQ(r.dict->find("red")->image.pixel(2, 1), 0xFFAB0000u);

    // A user mask (-2) is skipped; an alpha channel whose index (3) is not below the channel
    // count takes its default.
    PSDWriteLayer masked = layer("masked", {0, 0}, solid(3, 2, 0x10FFFFFF));
    masked.channelIds = {-2, 0, 1, 2, -1};
    PSDWriteLayer short3 = layer("three", {0, 0}, solid(3, 2, 0x10FFFFFF));
    short3.channelIds = {0, 1, -1};
    r = load(writePSD({4, 4}, {masked, short3}));
    ASSERT_TRUE(r.dict);
    EXPECT_EQ(r.dict->find("masked")->image.pixel(0, 0), 0x10FFFFFFu);
    EXPECT_EQ(r.dict->find("three")->image.pixel(0, 0), 0xFFFFFF00u);
}

TEST(PSDImage, SparseAndNarrowLayersLoad) {
    // Layers whose channels together announce less than one packed plane: fewer channels, a
    // narrow raw layer, channels without data. Channels a layer does not list keep defaults.
    struct Case {
        const char* what;
        QSize canvas;
        QSize size;
        std::vector<int> ids;
        std::optional<int> channelCount;
        QRgb pixel;
    };
    const Case cases[] = {
        {"raw 1x4, channels 0 1 2", {4, 4}, {1, 4}, {0, 1, 2}, {}, 0xFF123456u},
        {"raw 3x2, red only", {4, 4}, {3, 2}, {0}, {}, 0xFF120000u},
        {"no channel carries data", {4, 4}, {3, 2}, {}, 4, 0xFF000000u},
    };
    for (const Case& c : cases) {
        PSDWriteLayer l = layer("l", {0, 0}, solid(c.size.width(), c.size.height(), 0xFF123456));
        l.channelIds = c.ids;
        l.channelCount = c.channelCount;
        PSDWriteOptions options;
        options.rle = false;
        options.compositeChannels = 3;
        Loaded r;
        debugLines([&] { r = load(writePSD(c.canvas, {l}, options)); });
        ASSERT_TRUE(r.dict) << c.what << " code " << r.code;
        const QImage& image = r.dict->find("l")->image;
        EXPECT_EQ(image.size(), c.size) << c.what;
        EXPECT_EQ(image.pixel(c.size.width() - 1, c.size.height() - 1), c.pixel) << c.what;
    }
}

TEST(PSDImage, RefusedFilesGiveTheirCode) {
    struct Case {
        const char* what;
        std::function<void(PSDWriteOptions&, PSDWriteLayer&)> spoil;
        int code;
    };
    const Case cases[] = {
        {"version 2", [](PSDWriteOptions& o, PSDWriteLayer&) { o.version = 2; }, 0},
        {"17 channels", [](PSDWriteOptions& o, PSDWriteLayer&) { o.headerChannels = 17; }, 0},
        {"no channels", [](PSDWriteOptions& o, PSDWriteLayer&) { o.headerChannels = 0; }, 0},
        {"depth 16", [](PSDWriteOptions& o, PSDWriteLayer&) { o.depth = 16; }, 0},
        {"CMYK", [](PSDWriteOptions& o, PSDWriteLayer&) { o.colourMode = 4; }, 0},
        {"31 channels", [](PSDWriteOptions&, PSDWriteLayer& l) { l.channelCount = 31; }, 0},
        {"negative width",
         [](PSDWriteOptions&, PSDWriteLayer& l) { l.bounds = QRect(5, 0, -3, 2); }, 0},
        {"ZIP channel", [](PSDWriteOptions&, PSDWriteLayer& l) { l.compression = 2; }, 0},
        {"id beyond int", [](PSDWriteOptions&, PSDWriteLayer& l) { l.rawLayerId = 0x80000000u; },
         0},
        {"raw channel short",
         [](PSDWriteOptions& o, PSDWriteLayer& l) {
             o.rle = false;
             l.shortenRawBy = 1;
         },
         -37},
        {"block signature", [](PSDWriteOptions&, PSDWriteLayer& l) { l.badBlockSignature = true; },
         -46},
        {"extra length", [](PSDWriteOptions&, PSDWriteLayer& l) { l.extraLengthDelta = -4; }, -45},
        {"composite compression",
         [](PSDWriteOptions& o, PSDWriteLayer&) { o.compositeCompression = 2; }, -40},
        {"huge layer, few bytes",
         [](PSDWriteOptions&, PSDWriteLayer& l) { l.bounds = QRect(0, 0, 30000, 30000); }, -36},
        {"huge layer without data",
         [](PSDWriteOptions&, PSDWriteLayer& l) {
             l.bounds = QRect(0, 0, 30000, 30000);
             l.channelIds = {};
             l.channelCount = 4;
         },
         -36},
        {"narrow raw layer, few bytes",
         [](PSDWriteOptions& o, PSDWriteLayer& l) {
             o.rle = false;
             l.bounds = QRect(0, 0, 1, 30000);
         },
         -36},
    };
    for (const Case& c : cases) {
        PSDWriteOptions options;
        PSDWriteLayer l = layer("l", {1, 1}, solid(3, 3, 0xFF445566));
        l.layerId = 4;
        c.spoil(options, l);
        Loaded r;
        const QStringList lines = debugLines([&] { r = load(writePSD({8, 8}, {l}, options)); });
        EXPECT_FALSE(r.dict) << c.what;
        EXPECT_EQ(r.code, c.code) << c.what;
        EXPECT_EQ(lines, QStringList{QStringLiteral("LoadPSDImage: error(%1)occured").arg(c.code)})
            << c.what;
    }
}

TEST(PSDImage, MissingFileSaysSo) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("nothing.psd"));
    std::unique_ptr<QDict<PSDLayer>> dict;
    const QStringList lines = debugLines([&] { dict = LoadPSDImage(path.constData(), 0x100); });
    EXPECT_FALSE(dict);
    EXPECT_EQ(lines, QStringList{"LoadPSDImage: File open error while loading '" + path + "'"});
}

TEST(PSDImage, EveryPrefixFailsCleanly) {
    for (const bool rle : {true, false}) {
        PSDWriteOptions options;
        options.rle = rle;
        const QByteArray file = writePSD({40, 20}, sampleLayers(), options);
        debugLines([&] {
            for (qsizetype n = 0; n < file.size(); ++n) {
                const Loaded r = load(file.left(n));
                ASSERT_FALSE(r.dict) << "prefix " << n;
                ASSERT_LT(r.code, 1) << "prefix " << n;
            }
        });
        EXPECT_TRUE(load(file).dict);
    }
}

TEST(PSDImage, PackBits) {
    struct Case {
        const char* what;
        QByteArray in;
        int expected;
        bool ok;
        QByteArray out;
    };
    const Case cases[] = {
        {"-128 repeats 129 times", QByteArray("\x80\x07", 2), 129, true, QByteArray(129, 7)},
        {"literal then run", QByteArray("\x01\x01\x02\xFE\x09", 5), 5, true,
         QByteArray("\x01\x02\x09\x09\x09", 5)},
        {"short row accepted", QByteArray("\x00\x05", 2), 3, true, QByteArray("\x05\x00\x00", 3)},
        {"run past the row", QByteArray("\xFD\x05", 2), 3, false, QByteArray(3, 0)},
        {"literal cut off", QByteArray("\x03\x01\x02", 3), 4, false, QByteArray(4, 0)},
        {"run cut off", QByteArray("\xFD", 1), 4, false, QByteArray(4, 0)},
        {"row full, bytes left over", QByteArray("\x00\x05\x00\x06", 4), 1, true, QByteArray(1, 5)},
    };
    for (const Case& c : cases) {
        QByteArray out(c.expected * 2, 0);
        const bool ok =
            decodePackBits(reinterpret_cast<const uchar*>(c.in.constData()), int(c.in.size()),
                           c.expected, reinterpret_cast<uchar*>(out.data()), 2);
        EXPECT_EQ(ok, c.ok) << c.what;
        QByteArray every(c.expected, 0);
        for (int i = 0; i < c.expected; ++i)
            every[i] = out[2 * i];
        EXPECT_EQ(every, c.out) << c.what;
    }
    // The writer never uses -128 and round-trips long runs and literals.
    QByteArray row(300, 1);
    for (int i = 150; i < 300; ++i)
        row[i] = char(i);
    const QByteArray packed = encodePackBits(reinterpret_cast<const uchar*>(row.constData()), 300);
    for (qsizetype at = 0; at < packed.size();) {
        const int n = static_cast<signed char>(packed[at]);
        ASSERT_NE(n, -128);
        at += n < 0 ? 2 : n + 2;
    }
    QByteArray back(300, 0);
    EXPECT_TRUE(decodePackBits(reinterpret_cast<const uchar*>(packed.constData()),
                               int(packed.size()), 300, reinterpret_cast<uchar*>(back.data()), 1));
    EXPECT_EQ(back, row);
}

} // namespace

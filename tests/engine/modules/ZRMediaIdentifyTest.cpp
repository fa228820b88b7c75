#include "engine/modules/ZRMediaIdentify.h"
#include "tests/engine/modules/ModuleFixture.h"
#include "tests/support/TestEnvironment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace modulefixture;

namespace {

using Bytes = std::string;

Bytes le32(uint32_t v) {
    Bytes b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[size_t(i)] = char((v >> (8 * i)) & 0xFF);
    return b;
}

Bytes be32(uint32_t v) {
    Bytes b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[size_t(i)] = char((v >> (24 - 8 * i)) & 0xFF);
    return b;
}

Bytes chunk(const char* id, const Bytes& data) {
    return Bytes(id, 4) + le32(uint32_t(data.size())) + data;
}

Bytes list(const char* type, const Bytes& content) {
    return Bytes("LIST", 4) + le32(uint32_t(content.size() + 4)) + Bytes(type, 4) + content;
}

// An AVI file whose first stream header has the given type and handler.
Bytes avi(const char* type, const char* handler) {
    const Bytes strh = chunk("strh", Bytes(type, 4) + Bytes(handler, 4) + Bytes(48, '\0'));
    const Bytes hdrl = list("hdrl", chunk("avih", Bytes(56, '\0')) + list("strl", strh));
    return Bytes("RIFF", 4) + le32(uint32_t(hdrl.size() + 4)) + Bytes("AVI ", 4) + hdrl;
}

Bytes zeros(size_t n) {
    return Bytes(n, '\0');
}

// A transport stream of three packets; `third` sets the last packet's sync byte.
Bytes transport(bool third) {
    Bytes ts = zeros(3 * 188);
    ts[0] = ts[188] = 0x47;
    ts[376] = third ? 0x47 : 0x00;
    return ts;
}

// An MPEG sequence header whose quantiser flags `f` decide how many words follow before the
// next start code (`extension` = MPEG-2's sequence extension).
Bytes sequence(uint32_t f, size_t words, bool lastBit, bool extension) {
    Bytes b = be32(0x000001B3) + be32(0x16012013) + be32(f);
    for (size_t i = 0; i < words; ++i)
        b += be32(i + 1 == 16 && lastBit ? 1 : 0);
    return b + be32(extension ? 0x000001B5 : 0x000001B8);
}

struct Case {
    const char* name;
    Bytes bytes;
    const char* kind; // null: not identified
    uint32_t subtype;
    const char* suggested;
};

class ZRMediaIdentify : public ::testing::Test {
protected:
    std::string write(const Bytes& bytes) {
        const QString path = m_dir.path() + "/media" + QString::number(++m_count);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), qint64(bytes.size()));
        return path.toStdString();
    }

    QTemporaryDir m_dir;
    int m_count = 0;
};

} // namespace

TEST_F(ZRMediaIdentify, FilesAreIdentifiedAndSuggested) {
    const Case cases[] = {
        {"AVI with an iavs stream", avi("iavs", "dvsd"), "AVI", zrFourCC("DVSD"), "DV-AVI"},
        {"AVI with a dvsd video stream", avi("vids", "dvsd"), "AVI", zrFourCC("dvsd"),
         "DirectShow"},
        {"AVI without stream header",
         Bytes("RIFF", 4) + le32(64) + Bytes("AVI ", 4) + chunk("JUNK", zeros(8)), "AVI", 0,
         "DirectShow"},
        // 0xFFFFFFF8 + 8 wraps a 32-bit offset back to where it was.
        {"AVI with a looping chunk size",
         Bytes("RIFF", 4) + le32(64) + Bytes("AVI ", 4) + Bytes("JUNK", 4) + le32(0xFFFFFFF8) +
             zeros(16),
         "AVI", 0, "DirectShow"},
        {"MPEG-2 pack header", zeros(16) + be32(0x000001BA) + Bytes("\x44\x00\x04\x00", 4), "MPEG",
         2, "MPEG"},
        {"MPEG-1 pack header", zeros(16) + be32(0x000001BA) + Bytes("\x21\x00\x01\x00", 4), "MPEG",
         1, "MPEG"},
        {"sequence header with extension", sequence(0, 0, false, true), "MPEG", 2, "MPEG"},
        {"sequence header without extension", sequence(0, 0, false, false), "MPEG", 1, "MPEG"},
        {"sequence header with one matrix", sequence(1, 16, false, true), "MPEG", 2, "MPEG"},
        {"sequence header with two matrices", sequence(2, 32, true, true), "MPEG", 2, "MPEG"},
        {"MPEG-2 video packet", be32(0x000001E0) + be32(0x00008000), "MPEG", 2, "MPEG"},
        {"MPEG-1 video packet", be32(0x000001E0) + be32(0x00000F00), "MPEG", 1, "MPEG"},
        {"VCD track", Bytes("RIFF", 4) + le32(100) + Bytes("CDXA", 4), "MPEG", 2, "MPEG"},
        {"transport stream", transport(true), "MPEG", 2, "MPEG"},
        {"transport stream without third sync byte", transport(false), nullptr, 0, "Misc"},
        {"MPEG segment list", Bytes("OVMP", 4) + "\nfile1.mpg\n", "MPEG", zrFourCC("OVMP"),
         "MPEG Multifile"},
        {"DV segment list", Bytes("OVDV", 4) + "\nfile1.avi\n", "AVI", zrFourCC("OVDV"),
         "DV-AVI Multifile"},
        {"raw DV header block", Bytes("\x1F\x07\x00\x3F\x50\x00\x00\x00", 8) + zeros(72), "DIF",
         zrFourCC("OVDV"), "DIF"},
        {"raw DV marker", le32(0x12345678) + le32(0x78787878), "DIF", zrFourCC("OVDV"), "DIF"},
        {"a 7-byte file", Bytes("abcdefg", 7), nullptr, 0, "Misc"},
        {"empty file", Bytes(), nullptr, 0, "Misc"},
        {"only zeros", zeros(4096), nullptr, 0, "Misc"},
    };
    QTemporaryDir empty;
    Timeline t = makeTimeline((empty.path() + "/").toUtf8().constData());
    for (const Case& c : cases) {
        const std::string path = write(c.bytes);
        char kind[8] = "xxxxxxx";
        uint32_t subtype = 0xDEADBEEF;
        EXPECT_EQ(t->identifyMediaFile(path.c_str(), kind, &subtype), c.kind != nullptr) << c.name;
        EXPECT_STREQ(kind, c.kind ? c.kind : "") << c.name;
        EXPECT_EQ(subtype, c.subtype) << c.name;
        EXPECT_STREQ(t->suggestImportModule(path.c_str()), c.suggested) << c.name;
    }
}

TEST_F(ZRMediaIdentify, UnreadableNamesAreMisc) {
    QTemporaryDir empty;
    Timeline t = makeTimeline((empty.path() + "/").toUtf8().constData());
    char kind[8] = "x";
    uint32_t subtype = 7;
    for (const std::string& name :
         {m_dir.path().toStdString() + "/absent", m_dir.path().toStdString(), std::string()}) {
        EXPECT_FALSE(t->identifyMediaFile(name.c_str(), kind, &subtype)) << name;
        EXPECT_STREQ(kind, "");
        EXPECT_EQ(subtype, 0u);
        EXPECT_STREQ(t->suggestImportModule(name.c_str()), "Misc");
    }
    EXPECT_FALSE(t->identifyMediaFile(nullptr, kind, &subtype));
    EXPECT_STREQ(t->suggestImportModule(nullptr), "Misc");
}

// A long run of zero words before a header is read in blocks, and still found.
TEST(ZRMediaIdentifyBytes, HeaderAfterManyZeroWords) {
    Bytes bytes = zeros(300000) + be32(0x000001BA) + be32(0x44000400);
    size_t reads = 0;
    const ZRMediaReader read = [&](uint64_t offset, void* buffer, size_t size) -> size_t {
        ++reads;
        if (offset >= bytes.size()) return 0;
        const size_t n = std::min<size_t>(size, bytes.size() - size_t(offset));
        std::memcpy(buffer, bytes.data() + offset, n);
        return n;
    };
    const ZRMediaKind media = zrIdentifyMedia(read, bytes.size());
    EXPECT_STREQ(media.kind, "MPEG");
    EXPECT_EQ(media.subtype, 2u);
    EXPECT_LT(reads, 20u);
}

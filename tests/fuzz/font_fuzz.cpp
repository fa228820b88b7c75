// Font files come from the user's folders and projects: any bytes must open, measure and draw
// without a fault. Inputs whose first byte is odd patch an installed font instead of standing
// for the whole file, so the loaders see mostly valid files with a few damaged bytes.
#include "engine/api/ZRFont.h"
#include "engine/fonts/ZRFontFolders.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

const QByteArray& baseFont() {
    static const QByteArray bytes = [] {
        QFile file(fonts::findInSystemFolders(QStringLiteral("DejaVuSans.ttf")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return bytes;
}

QByteArray fontBytes(const uint8_t* data, size_t size) {
    if (size < 2 || !(data[0] & 1) || baseFont().isEmpty())
        return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray font = baseFont();
    for (size_t at = 2; at + 5 <= size; at += 5) {
        uint32_t offset;
        std::memcpy(&offset, data + at, 4);
        font[qsizetype(offset % uint32_t(font.size()))] = char(data[at + 4]);
    }
    return font;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fontBytes(data, size);
    const int fd = memfd_create("font_fuzz", 0);
    if (fd < 0) return 0;
    if (write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size()) {
        ZRFont* font = TTFontFactory();
        ZRFontData fontData;
        fontData.faceName = QStringLiteral("/proc/self/fd/%1").arg(fd);
        fontData.size = size > 1 ? 6 + data[1] % 48 : 20;
        fontData.antiAlias = size > 1 ? data[1] & 1 : 1;
        fontData.text = QStringLiteral("AV Wa\n<!Size=13!>\u00e9g<!Color=R:9,G: 9,B:9!>y");
        for (int face = 0; face < 2; ++face) {
            fontData.faceIndex = face;
            if (font->openFont(&fontData) != 0) break;
            ZRStringInfo box;
            font->getBBox(fontData.text, &box, &fontData);
            std::vector<uint32_t> pixels(64 * 48);
            font->renderString(reinterpret_cast<unsigned char*>(pixels.data()), 64 * 4, 64, 48,
                               &fontData, -3, 2, 4);
            if (font->numFaces() < 2) break;
        }
        TTFontDestroy(font);
    }
    close(fd);
    return 0;
}

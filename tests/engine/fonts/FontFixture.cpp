#include "tests/engine/fonts/FontFixture.h"

#include "engine/fonts/ZRFontFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace fixture {
namespace {

void putU16(QByteArray& out, uint32_t value) {
    out.append(char(value >> 8));
    out.append(char(value));
}

void putU32(QByteArray& out, uint32_t value) {
    putU16(out, value >> 16);
    putU16(out, value & 0xFFFF);
}

uint32_t getU16(const QByteArray& in, qsizetype at) {
    return (uint32_t(uint8_t(in[at])) << 8) | uint8_t(in[at + 1]);
}

uint32_t getU32(const QByteArray& in, qsizetype at) {
    return (getU16(in, at) << 16) | getU16(in, at + 2);
}

void pad4(QByteArray& out) {
    while (out.size() % 4)
        out.append('\0');
}

void putDirectoryHeader(QByteArray& out, int tableCount) {
    int power = 1, log2 = 0;
    while (power * 2 <= tableCount) {
        power *= 2;
        ++log2;
    }
    putU32(out, 0x00010000);
    putU16(out, tableCount);
    putU16(out, power * 16);
    putU16(out, log2);
    putU16(out, tableCount * 16 - power * 16);
}

} // namespace

QString installedFont(const QString& fileName) {
    const QString path = fonts::findInSystemFolders(fileName);
    EXPECT_FALSE(path.isEmpty()) << "font not installed: " << fileName.toStdString();
    return path;
}

QList<Table> readTables(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    QList<Table> tables;
    const uint32_t count = getU16(bytes, 4);
    for (uint32_t i = 0; i < count; ++i) {
        const qsizetype record = 12 + qsizetype(i) * 16;
        const uint32_t offset = getU32(bytes, record + 8);
        const uint32_t length = getU32(bytes, record + 12);
        tables.append({bytes.mid(record, 4), bytes.mid(offset, length)});
    }
    return tables;
}

QList<Table> withTable(QList<Table> tables, const QByteArray& tag, const QByteArray& data) {
    for (Table& table : tables) {
        if (table.tag == tag) {
            table.data = data;
            return tables;
        }
    }
    tables.append({tag, data});
    std::sort(tables.begin(), tables.end(),
              [](const Table& a, const Table& b) { return a.tag < b.tag; });
    return tables;
}

QByteArray nameTable(const QString& fullName) {
    const QByteArray utf16 = [&] {
        QByteArray out;
        for (QChar c : fullName)
            putU16(out, c.unicode());
        return out;
    }();
    const int ids[] = {1, 4};
    QByteArray out;
    putU16(out, 0);
    putU16(out, std::size(ids));
    putU16(out, 6 + 12 * std::size(ids));
    for (int id : ids) {
        putU16(out, 3);    // Windows
        putU16(out, 1);    // Unicode BMP
        putU16(out, 1033); // US English
        putU16(out, id);
        putU16(out, utf16.size());
        putU16(out, 0); // both records share the string
    }
    out += utf16;
    return out;
}

QByteArray kernTable(const QList<KernPair>& pairs) {
    QByteArray out;
    putU16(out, 0);
    putU16(out, 1);
    putU16(out, 0);
    putU16(out, 6 + 8 + 6 * pairs.size());
    putU16(out, 0x0001); // format 0, horizontal
    putU16(out, pairs.size());
    putU16(out, 6);
    putU16(out, 0);
    putU16(out, 0);
    for (const KernPair& pair : pairs) {
        putU16(out, pair.left);
        putU16(out, pair.right);
        putU16(out, uint16_t(pair.value));
    }
    return out;
}

// The table directories of `faces` followed by their table data, for a file in which these
// bytes start at `start`; tables with equal contents are stored once.
static QByteArray directoriesAndData(const QList<QList<Table>>& faces, qsizetype start,
                                     QList<qsizetype>& directoryOffsets) {
    qsizetype dataStart = start;
    for (const QList<Table>& tables : faces) {
        directoryOffsets.append(dataStart);
        dataStart += 12 + 16 * tables.size();
    }
    QByteArray directories;
    QByteArray data;
    QHash<QByteArray, qsizetype> stored;
    for (const QList<Table>& tables : faces) {
        putDirectoryHeader(directories, tables.size());
        for (const Table& table : tables) {
            if (!stored.contains(table.data)) {
                stored.insert(table.data, data.size());
                data += table.data;
                pad4(data);
            }
            directories += table.tag;
            putU32(directories, 0); // checksums are not checked by the loader
            putU32(directories, uint32_t(dataStart + stored.value(table.data)));
            putU32(directories, table.data.size());
        }
    }
    return directories + data;
}

QByteArray fontFile(const QList<Table>& tables) {
    QList<qsizetype> offsets;
    return directoriesAndData({tables}, 0, offsets);
}

QByteArray collectionFile(const QList<QList<Table>>& faces) {
    QList<qsizetype> offsets;
    const QByteArray body = directoriesAndData(faces, 12 + 4 * faces.size(), offsets);
    QByteArray out = "ttcf";
    putU32(out, 0x00010000);
    putU32(out, faces.size());
    for (qsizetype offset : offsets)
        putU32(out, uint32_t(offset));
    return out + body;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

unsigned glyphIndex(const QString& path, char32_t code) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    unsigned index = 0;
    if (FT_Init_FreeType(&library) == 0) {
        if (FT_New_Face(library, QFile::encodeName(path).constData(), 0, &face) == 0) {
            index = FT_Get_Char_Index(face, code);
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
    }
    return index;
}

} // namespace fixture

#include "platform/ini/IniSyntax.h"

#include <QIODevice>
#include <QString>

#include <cstring>
#include <limits>

namespace platform::ini {

Line parseLine(QStringView line) {
    if (line.startsWith(QLatin1Char('['))) {
        const qsizetype close = line.indexOf(QLatin1Char(']'), 1);
        if (close >= 1) return {LineKind::Group, line.mid(1, close - 1), {}, {}};
    }
    if (line.startsWith(QLatin1Char('#'))) return {LineKind::Comment, {}, {}, {}};
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) return {};
    return {LineKind::Entry, {}, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()};
}

void Visitor::asciiEntry(QStringView key, const QByteArray& file, qsizetype at, qsizetype length) {
    entry(key, QString::fromLatin1(file.constData() + at, length));
}

namespace {

// White space as QString::trimmed strips it, for ASCII.
bool isAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isAscii(const char* data, qsizetype length) {
    // Eight bytes at a time: no byte of a word has its top bit set.
    qsizetype i = 0;
    for (; i + 8 <= length; i += 8) {
        quint64 word;
        std::memcpy(&word, data + i, sizeof word);
        if (word & 0x8080808080808080ull) return false;
    }
    for (; i < length; ++i)
        if (uchar(data[i]) & 0x80) return false;
    return true;
}

QString decoded(QByteArrayView bytes, Encoding encoding) {
    return encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : QString::fromLocal8Bit(bytes);
}

// The rest of the device in an array of its size: readers may keep the bytes, and readAll
// reserves far more than a large file needs.
QByteArray readRest(QIODevice& device) {
    const qint64 rest = device.isSequential() ? 0 : device.size() - device.pos();
    if (rest <= 0 || rest >= std::numeric_limits<qsizetype>::max() / 2) return device.readAll();
    QByteArray bytes(qsizetype(rest), Qt::Uninitialized);
    const qint64 got = device.read(bytes.data(), rest);
    if (got < 0) return {};
    bytes.truncate(qsizetype(got));
    // A file that grew meanwhile is read to its new end.
    if (got == rest) bytes += device.readAll();
    return bytes;
}

} // namespace

void read(QIODevice& device, Encoding encoding, Visitor& visitor) {
    if (!device.isOpen()) return;
    // The whole rest at once: settings files of many megabytes read in one pass, and a line
    // costs no more than its own bytes, however long the longest one is.
    const QByteArray bytes = readRest(device);
    const char* data = bytes.constData();
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype feed = bytes.indexOf('\n', pos);
        const qsizetype end = feed < 0 ? bytes.size() : feed;
        qsizetype length = end - pos;
        const char* start = data + pos;
        pos = end + 1;
        if (length > 0 && start[length - 1] == '\r') --length;
        if (length > kMaxLineBytes) continue;
        const QByteArrayView line(start, length);
        // An entry whose value is ASCII keeps its value as bytes: "=" is one byte in both
        // encodings and never part of another character, so the line splits alike as bytes.
        if (!line.startsWith('[') && !line.startsWith('#')) {
            const qsizetype equals = line.indexOf('=');
            if (equals < 0) continue;
            qsizetype from = equals + 1;
            qsizetype to = length;
            if (isAscii(start + from, to - from)) {
                while (from < to && isAsciiSpace(start[from]))
                    ++from;
                while (to > from && isAsciiSpace(start[to - 1]))
                    --to;
                const QString key = decoded(line.first(equals), encoding).trimmed();
                visitor.asciiEntry(key, bytes, (start - data) + from, to - from);
                continue;
            }
        }
        const QString text = decoded(line, encoding);
        const Line parsed = parseLine(text);
        if (parsed.kind == LineKind::Group)
            visitor.group(parsed.name);
        else if (parsed.kind == LineKind::Entry)
            visitor.entry(parsed.key, parsed.text);
    }
}

QString unescapedValue(QStringView text) {
    if (!text.contains(QLatin1Char('\\'))) return text.trimmed().toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[++i];
        if (n == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (n == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (n == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (n == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else
            out += QLatin1Char('\\') + QString(n);
    }
    return out.trimmed();
}

// Each code point is case-folded as the comparison folds it.
uint64_t nameHash(QStringView name) {
    uint64_t hash = 14695981039346656037ull;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), name[++i].unicode());
        hash = (hash ^ QChar::toCaseFolded(c)) * 1099511628211ull;
    }
    return hash ^ (hash >> 31);
}

} // namespace platform::ini

#include "platform/ini/IniSyntax.h"

#include <QIODevice>
#include <QString>

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

void read(QIODevice& device, Encoding encoding, Visitor& visitor) {
    if (!device.isOpen()) return;
    // Room for the longest line with "\r\n" (readLine keeps one byte of the size for a
    // terminating zero): what does not end in "\n" then is longer.
    constexpr qint64 kChunk = kMaxLineBytes + 3;
    while (!device.atEnd()) {
        QByteArray bytes = device.readLine(kChunk);
        if (bytes.isEmpty()) break;
        if (!bytes.endsWith('\n') && !device.atEnd()) {
            while (!device.atEnd() && !device.readLine(kChunk).endsWith('\n')) {
            }
            continue;
        }
        if (bytes.endsWith('\n')) bytes.chop(1);
        if (bytes.endsWith('\r')) bytes.chop(1);
        if (bytes.size() > kMaxLineBytes) continue;
        const QString text =
            encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : QString::fromLocal8Bit(bytes);
        const Line line = parseLine(text);
        if (line.kind == LineKind::Group)
            visitor.group(line.name);
        else if (line.kind == LineKind::Entry)
            visitor.entry(line.key, line.text);
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

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
    // The whole rest at once: settings files of many megabytes read in one pass, and a line
    // costs no more than its own bytes, however long the longest one is.
    const QByteArray bytes = device.readAll();
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
        const QString text =
            encoding == Encoding::Utf8 ? QString::fromUtf8(line) : QString::fromLocal8Bit(line);
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

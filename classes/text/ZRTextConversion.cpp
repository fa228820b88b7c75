#include "classes/text/ZRTextConversion.h"

#include <QByteArray>
#include <QIODevice>

#include <cstring>

void ansiToQString(QString& out, const char* text) {
    out = text ? QString::fromLocal8Bit(text) : QString();
}

int toAnsiBuffer(char* out, int outSize, const QString& text) {
    if (!out || outSize < 1) return 0;
    const QByteArray bytes = text.toLocal8Bit();
    qsizetype length = bytes.size();
    if (length > outSize - 1) {
        length = outSize - 1;
        // The locale encoding is UTF-8: never end on a continuation byte's predecessor, so the
        // cut falls before a character that would not fit whole.
        while (length > 0 && (uchar(bytes[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(out, bytes.constData(), size_t(length));
    out[length] = '\0';
    return int(length) + 1;
}

QString readTextLine(QIODevice* device) {
    if (!device) return QString();
    QByteArray line;
    char c = 0;
    while (device->getChar(&c)) {
        if (c == '\n') break;
        if (c == '\r') continue;
        line.append(c);
    }
    return QString::fromLocal8Bit(line);
}

#include "classes/helpers/ZRTextFormat.h"

#include <cstring>

namespace {

QString hexDigits(uint64_t value, int width) {
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

QString twoDigits(int64_t value) {
    return zeroPaddedNumber(int(value), 2);
}

} // namespace

QString numberText(int value) {
    return QString::number(value, 10);
}

QString frameSizeText(int width, int height) {
    return QString::number(width) + QLatin1Char('x') + QString::number(height);
}

QString zeroPaddedNumber(int value, int width) {
    if (value < 0) {
        const QString magnitude = QString::number(-int64_t(value));
        return QLatin1Char('-') + magnitude.rightJustified(width - 1, QLatin1Char('0'));
    }
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

QString hexNumberText(uint32_t value, int width) {
    return hexDigits(value, width);
}

QString hex64Text(const void* value, int bytes) {
    if (!value) return QString();
    uint64_t v = 0;
    std::memcpy(&v, value, sizeof v);
    bytes = qBound(1, bytes, 8);
    if (bytes < 8) v &= (uint64_t(1) << (8 * bytes)) - 1;
    return hexDigits(v, 2 * bytes);
}

QString hexBytesText(const unsigned char* data, int length) {
    if (!data) return QString();
    QString text;
    text.reserve(2 * qMax(0, length));
    for (int i = length - 1; i >= 0; --i)
        text += hexDigits(data[i], 2);
    return text;
}

QString pointerText(const void* pointer) {
    const auto value = reinterpret_cast<uintptr_t>(pointer);
    if (value == 0) return QStringLiteral("NULL");
    if (value == 0xBAADF00Du || value == 0xCDCDCDCDu || value == 0xFEEEFEEEu)
        return QStringLiteral("BAD");
    return QLatin1Char('@') + hexDigits(value, 2 * int(sizeof(void*)));
}

QString eventCodeText(int32_t code) {
    return QStringLiteral("EC_") + hexDigits(uint32_t(code), 8);
}

QString guidText(const ZRGuid& guid) {
    QString data4;
    for (uint8_t byte : guid.data4)
        data4 += hexDigits(byte, 2);
    return QStringLiteral("{%1-%2-%3-%4}")
        .arg(hexDigits(guid.data1, 8), hexDigits(guid.data2, 4), hexDigits(guid.data3, 4), data4);
}

QString devEnumCategoryText(const ZRGuid& guid) {
    return QStringLiteral("DevEnumCategory") + guidText(guid);
}

QString hmsText(int hours, int minutes, int seconds) {
    return zeroPaddedNumber(hours, 2) + QLatin1Char(':') + zeroPaddedNumber(minutes, 2) +
           QLatin1Char(':') + zeroPaddedNumber(seconds, 2);
}

QString secondsToHmsText(int seconds) {
    return hmsText(seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

QString formatByteSize(int64_t bytes, int digits) {
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    // The magnitude in 64 unsigned bits: the most negative value has no signed negation.
    const uint64_t magnitude = bytes < 0 ? uint64_t(0) - uint64_t(bytes) : uint64_t(bytes);
    if (magnitude < 1000) return sign + QString::number(magnitude) + QLatin1Char(' ');
    digits = qMax(digits, 4);
    static const char kUnits[] = " kMGTPE";
    double value = double(magnitude);
    int unit = 0;
    while (value >= 1000.0 && unit < int(sizeof kUnits) - 2) {
        value /= 1024.0;
        ++unit;
    }
    const int precision = value < 10.0 ? digits - 1 : value < 100.0 ? digits - 2 : digits - 3;
    return sign + QString::number(value, 'f', precision) + QLatin1Char(' ') +
           QLatin1Char(kUnits[unit]);
}

QString formatDuration(int64_t seconds) {
    const int64_t s = seconds;
    if (s < 60) return QString::number(s) + QStringLiteral(" sec");
    const int64_t m = s / 60;
    if (m < 60)
        return QString::number(m) + QStringLiteral(" min ") + twoDigits(s % 60) +
               QStringLiteral(" sec");
    const int64_t h = m / 60;
    if (h < 24)
        return QString::number(h) + QStringLiteral(" h ") + twoDigits(m % 60) +
               QStringLiteral(" min");
    const int64_t d = h / 24;
    if (d < 7)
        return QString::number(d) + QStringLiteral(" d ") + twoDigits(h % 24) +
               QStringLiteral(" h");
    if (d < 30)
        return QString::number(d / 7) + QStringLiteral(" w ") + QString::number(d % 7) +
               QStringLiteral(" d");
    const int64_t n = d / 30;
    if (n < 12)
        return QString::number(n) + QStringLiteral(" mon ") + twoDigits(d % 30) +
               QStringLiteral(" d");
    return QString::number(n / 12) + QStringLiteral(" a ") + QString::number(n % 12) +
           QStringLiteral(" mon");
}

QString tvStandardText(int32_t standard) {
    static const struct {
        int32_t value;
        const char* name;
    } kStandards[] = {
        {0x000000, "None"},        {0x000001, "NTSC M"},    {0x000002, "NTSC M J"},
        {0x000004, "NTSC 433"},    {0x000007, "NTSC Mask"}, {0x000010, "PAL B"},
        {0x000020, "PAL D"},       {0x000080, "PAL H"},     {0x000100, "PAL I"},
        {0x000200, "PAL M"},       {0x000400, "PAL N"},     {0x000800, "PAL 60"},
        {0x001000, "SECAM B"},     {0x002000, "SECAM D"},   {0x004000, "SECAM G"},
        {0x008000, "SECAM H"},     {0x010000, "SECAM K"},   {0x020000, "SECAM K1"},
        {0x040000, "SECAM L"},     {0x080000, "SECAM L1"},  {0x0FF000, "SECAM Mask"},
        {0x100000, "PAL N Combo"}, {0x100FB0, "PAL Mask"},  {0x1FFFB0, "PAL SECAM Mask"},
    };
    for (const auto& s : kStandards) {
        if (s.value == standard) return QString::fromLatin1(s.name);
    }
    return QStringLiteral("Format #") + hexDigits(uint32_t(standard), 8);
}

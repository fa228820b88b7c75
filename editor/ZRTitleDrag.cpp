#include "editor/ZRTitleDrag.h"

#include "editor/ZRDragPayload.h"

#include <QMimeData>
#include <QStringList>

#include <array>
#include <cstring>

namespace {

constexpr char kTag[] = "ZRTITLE";
// The numeric fields after the text: twelve integers, the colour and the two doubles.
constexpr int kNumberCount = 15;

// The integer fields 2-14 in payload order; field 5 (the colour) is read apart.
std::array<int32_t*, 12> integerFields(ZRTitleSettings& r) {
    return {&r.alignment, &r.letterSpacing, &r.lineSpacing, &r.opaqueBackground,
            &r.startX,    &r.startY,        &r.endX,        &r.endY,
            &r.movement,  &r.fadeIn,        &r.fadeOut,     &r.fadeTime};
}

uint32_t unsignedNumber(const QString& field, int base) {
    bool ok = false;
    const uint value = field.toUInt(&ok, base);
    return ok ? value : 0;
}

double realNumber(const QString& field) {
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok ? value : 0.0;
}

// Field `i` (1 the text, 2-16 the numbers) into the record.
void readField(ZRTitleSettings& record, qsizetype i, const QString& field) {
    if (i == 1)
        record.text = field;
    else if (i == 5)
        record.backgroundColor = unsignedNumber(field, 16);
    else if (i == 15)
        record.duration = realNumber(field);
    else if (i == 16)
        record.safeFrameSize = realNumber(field);
    else
        *integerFields(record)[size_t(i < 5 ? i - 2 : i - 3)] = int32_t(unsignedNumber(field, 10));
}

QString payloadText(const QMimeData* source) {
    if (!source) return {};
    QByteArray bytes = source->data(QLatin1String(ZRTitleDrag::kMimeType));
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    return QString::fromUtf8(bytes);
}

// Numbers hold neither "$" nor "@", so the fifteen rightmost separators are exactly those
// between the numbers, whatever the text holds. Answers false when the payload is shorter.
bool readFromTheRight(const QString& text, ZRTitleSettings& record) {
    const QString separator = QLatin1String(dragpayload::kSeparator);
    const QString head = QLatin1String(kTag) + separator;
    if (!text.startsWith(head)) return false;
    std::array<QString, kNumberCount> numbers;
    qsizetype end = text.size();
    for (int n = kNumberCount - 1; n >= 0; --n) {
        if (end <= head.size()) return false;
        const qsizetype at = text.lastIndexOf(separator, end - 1);
        // The separator before the first number lies after the head, even when the text is
        // empty; one inside the head means a payload without its text.
        if (at < head.size()) return false;
        numbers[size_t(n)] = text.mid(at + separator.size(), end - at - separator.size());
        end = at;
    }
    record.text = text.mid(head.size(), end - head.size());
    for (int n = 0; n < kNumberCount; ++n)
        readField(record, n + 2, numbers[size_t(n)]);
    return true;
}

} // namespace

ZRTitleDrag::ZRTitleDrag(QObject* dragSource, const char* name)
    : ZRPayloadDrag(kMimeType, dragSource, name) {}

void ZRTitleDrag::append(const ZRIconDragItem& item, const QRect& pixmapRect, const QRect& textRect,
                         const ZRTitleSettings& record) {
    ZRIconDrag::append(item, pixmapRect, textRect);
    m_settings = record;
}

QByteArray ZRTitleDrag::payloadBytes() const {
    return payload(m_settings);
}

bool ZRTitleDrag::canDecode(const QMimeData* source) {
    return canDecodeType(source, kMimeType);
}

bool ZRTitleDrag::decode(const QMimeData* source, ZRTitleSettings& record) {
    const QString text = payloadText(source);
    const QStringList fields =
        text.split(QLatin1String(dragpayload::kSeparator), Qt::SkipEmptyParts);
    if (fields.isEmpty() || fields.front() != QLatin1String(kTag)) return false;
    if (readFromTheRight(text, record)) return true;
    const qsizetype count = std::min<qsizetype>(fields.size(), 17);
    for (qsizetype i = 1; i < count; ++i)
        readField(record, i, fields[i]);
    return true;
}

QByteArray ZRTitleDrag::payload(const ZRTitleSettings& record) {
    ZRTitleSettings copy = record;
    const auto integers = integerFields(copy);
    QStringList fields{QLatin1String(kTag), record.text};
    for (size_t i = 0; i < integers.size(); ++i) {
        if (i == 3) fields << QString::number(record.backgroundColor, 16);
        fields << QString::number(uint32_t(*integers[i]));
    }
    fields << QString::number(record.duration, 'g', 6)
           << QString::number(record.safeFrameSize, 'g', 6);
    return dragpayload::terminated(fields.join(QLatin1String(dragpayload::kSeparator)));
}

QMimeData* ZRTitleDrag::mimeData(const ZRTitleSettings& record) {
    return mimeDataFor(kMimeType, payload(record));
}

#include "editor/ZRTitleDrag.h"

#include "editor/ZRDragPayload.h"

#include <QMimeData>
#include <QStringList>

#include <array>

namespace {

constexpr char kTag[] = "ZRTITLE";

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

} // namespace

bool ZRTitleDrag::canDecode(const QMimeData* source) {
    return dragpayload::providesAny(source,
                                    {dragpayload::kIconList, kMimeType, dragpayload::kPlainText});
}

bool ZRTitleDrag::decode(const QMimeData* source, ZRTitleSettings& record) {
    const QStringList fields = dragpayload::fields(source, kMimeType);
    if (fields.isEmpty() || fields.front() != QLatin1String(kTag)) return false;
    const auto integers = integerFields(record);
    const qsizetype count = std::min<qsizetype>(fields.size(), 17);
    for (qsizetype i = 1; i < count; ++i) {
        const QString& field = fields[i];
        if (i == 1)
            record.text = field;
        else if (i == 5)
            record.backgroundColor = unsignedNumber(field, 16);
        else if (i == 15)
            record.duration = realNumber(field);
        else if (i == 16)
            record.safeFrameSize = realNumber(field);
        else
            *integers[size_t(i < 5 ? i - 2 : i - 3)] = int32_t(unsignedNumber(field, 10));
    }
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
    auto* data = new QMimeData;
    const QByteArray bytes = payload(record);
    data->setData(QLatin1String(kMimeType), bytes);
    data->setData(QLatin1String(dragpayload::kPlainText), bytes);
    return data;
}

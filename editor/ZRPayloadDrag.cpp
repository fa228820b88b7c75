#include "editor/ZRPayloadDrag.h"

#include "editor/ZRDragPayload.h"

#include <QMimeData>

#include <cstring>

ZRPayloadDrag::ZRPayloadDrag(const char* ownType, QObject* dragSource, const char* name)
    : m_type(ownType), m_source(dragSource) {
    if (name) setObjectName(QLatin1String(name));
}

const char* ZRPayloadDrag::format(int i) const {
    switch (i) {
    case 0:
        return ZRIconDrag::kMimeType;
    case 1:
        return m_type;
    case 2:
        return dragpayload::kPlainText;
    default:
        return nullptr;
    }
}

QByteArray ZRPayloadDrag::encodedData(const char* mimeType) const {
    if (!mimeType) return {};
    if (std::strcmp(mimeType, ZRIconDrag::kMimeType) == 0) return ZRIconDrag::encodedData(mimeType);
    if (std::strcmp(mimeType, m_type) == 0 || std::strcmp(mimeType, dragpayload::kPlainText) == 0)
        return payloadBytes();
    return {};
}

QStringList ZRPayloadDrag::formats() const {
    return {QLatin1String(ZRIconDrag::kMimeType), QLatin1String(m_type),
            QLatin1String(dragpayload::kPlainText)};
}

QVariant ZRPayloadDrag::retrieveData(const QString& mimeType, QMetaType) const {
    const QByteArray type = mimeType.toLatin1();
    const QByteArray bytes = encodedData(type.constData());
    if (bytes.isEmpty()) return {};
    return bytes;
}

bool ZRPayloadDrag::canDecodeType(const QMimeData* source, const char* ownType) {
    return dragpayload::providesAny(source,
                                    {dragpayload::kIconList, ownType, dragpayload::kPlainText});
}

QMimeData* ZRPayloadDrag::mimeDataFor(const char* ownType, const QByteArray& bytes) {
    auto* data = new QMimeData;
    data->setData(QLatin1String(ownType), bytes);
    data->setData(QLatin1String(dragpayload::kPlainText), bytes);
    return data;
}

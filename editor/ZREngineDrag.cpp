#include "editor/ZREngineDrag.h"

#include "editor/ZRDragPayload.h"

#include <QMimeData>

#include <cstring>

namespace {

constexpr char kTag[] = "ZRENGINE";

bool crossesWhole(const QString& text) {
    const QLatin1String separator(dragpayload::kSeparator);
    return !text.isEmpty() && !text.contains(separator) && !text.contains(QChar(0)) &&
           !text.endsWith(separator.left(separator.size() - 1));
}

} // namespace

ZREngineDrag::ZREngineDrag(QObject* dragSource, const char* name)
    : ZRPayloadDrag(kMimeType, dragSource, name) {}

void ZREngineDrag::setEngineItem(const ZRIconDragItem& item, const QRect& pixmapRect,
                                 const QRect& textRect, int id, const QString& kind,
                                 const QString& group, const QString& name) {
    ZRIconDrag::append(item, pixmapRect, textRect);
    m_id = id;
    m_kind = kind;
    m_group = group;
    m_name = name;
}

QByteArray ZREngineDrag::payloadBytes() const {
    return payload(m_id, m_kind, m_group, m_name);
}

bool ZREngineDrag::carriesWhole(const QString& kind, const QString& group, const QString& name) {
    return crossesWhole(kind) && crossesWhole(group) && crossesWhole(name);
}

bool ZREngineDrag::canDecode(const QMimeData* source) {
    return canDecodeType(source, kMimeType);
}

bool ZREngineDrag::decode(const QMimeData* source, int& id, QString& kind, QString& group,
                          QString& name) {
    const QStringList fields = dragpayload::fields(source, kMimeType);
    if (fields.isEmpty() || fields.front() != QLatin1String(kTag)) return false;
    int counter = 0;
    for (const QString& field : fields) {
        switch (counter) {
        case 1:
            id = dragpayload::decimal(field);
            break;
        case 2:
            kind = field;
            break;
        case 3:
            group = field;
            break;
        case 4:
            name = field;
            break;
        default:
            break;
        }
        counter = (counter + 1) % 5;
    }
    return true;
}

QByteArray ZREngineDrag::payload(int id, const QString& kind, const QString& group,
                                 const QString& name) {
    const QString sep = QLatin1String(dragpayload::kSeparator);
    return dragpayload::terminated(QLatin1String(kTag) + sep + QString::number(id) + sep + kind +
                                   sep + group + sep + name + sep);
}

QMimeData* ZREngineDrag::mimeData(int id, const QString& kind, const QString& group,
                                  const QString& name) {
    return mimeDataFor(kMimeType, payload(id, kind, group, name));
}

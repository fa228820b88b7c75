#include "editor/ZREngineDrag.h"

#include "editor/ZRDragPayload.h"

#include <QMimeData>

namespace {

constexpr char kTag[] = "ZRENGINE";

} // namespace

bool ZREngineDrag::canDecode(const QMimeData* source) {
    return dragpayload::providesAny(source,
                                    {dragpayload::kIconList, kMimeType, dragpayload::kPlainText});
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
    auto* data = new QMimeData;
    const QByteArray bytes = payload(id, kind, group, name);
    data->setData(QLatin1String(kMimeType), bytes);
    data->setData(QLatin1String(dragpayload::kPlainText), bytes);
    return data;
}

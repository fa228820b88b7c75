#include "editor/ZRDragPayload.h"

#include <QMimeData>

namespace dragpayload {

QStringList fields(const QMimeData* source, const char* format) {
    if (!source) return {};
    QByteArray bytes = source->data(QLatin1String(format));
    const qsizetype end = bytes.indexOf('\0');
    if (end >= 0) bytes.truncate(end);
    if (bytes.isEmpty()) return {};
    return QString::fromUtf8(bytes).split(QLatin1String(kSeparator), Qt::SkipEmptyParts);
}

bool providesAny(const QMimeData* source, std::initializer_list<const char*> formats) {
    if (!source) return false;
    for (const char* format : formats) {
        if (source->hasFormat(QLatin1String(format))) return true;
    }
    return false;
}

int decimal(const QString& field) {
    bool ok = false;
    const int value = field.toInt(&ok);
    return ok ? value : 0;
}

QByteArray terminated(const QString& text) {
    QByteArray bytes = text.toUtf8();
    bytes.append('\0');
    return bytes;
}

} // namespace dragpayload

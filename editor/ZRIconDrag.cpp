#include "editor/ZRIconDrag.h"

#include "editor/ZRDragPayload.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Edges further out than this can only come from a broken or hostile source; past them a
// rectangle's width arithmetic would leave `int`.
constexpr int64_t kEdgeLimit = int64_t(1) << 24;
// Parsed numbers are clamped here first, so that left + width stays far inside 64 bits.
constexpr int64_t kParseLimit = int64_t(1) << 40;

int64_t number(const QString& field) {
    bool ok = false;
    const qlonglong value = field.toLongLong(&ok, 10);
    if (!ok) return 0;
    return std::clamp<int64_t>(value, -kParseLimit, kParseLimit);
}

// One working rectangle as its four edges, in the order the fields set them: setting the left
// (top) edge moves that edge only, the width (height) that follows fixes the right (bottom).
struct Edges {
    int64_t left = 0, top = 0, right = -1, bottom = -1;

    void set(int field, int64_t value) {
        switch (field) {
        case 0:
            left = value;
            break;
        case 1:
            top = value;
            break;
        case 2:
            right = left + value - 1;
            break;
        case 3:
            bottom = top + value - 1;
            break;
        }
    }
    bool inRange() const {
        for (int64_t e : {left, top, right, bottom})
            if (e < -kEdgeLimit || e > kEdgeLimit) return false;
        return true;
    }
    QRect rect() const {
        return QRect(QPoint(int(left), int(top)), QPoint(int(right), int(bottom)));
    }
};

} // namespace

ZRIconDragItem::ZRIconDragItem() : m_data("no data") {}

QByteArray ZRIconDragItem::data() const {
    return m_data;
}

void ZRIconDragItem::setData(const QByteArray& bytes) {
    m_data = bytes;
}

void ZRIconDragItem::setRects(const QRect& iconRect, const QRect& textRect) {
    m_iconRect = iconRect;
    m_textRect = textRect;
}

void ZRIconDrag::append(const ZRIconDragItem& item, const QRect& iconRect, const QRect& textRect) {
    ZRIconDragItem record(item);
    record.setData(item.data());
    record.setRects(iconRect, textRect);
    m_records.append(record);
}

const char* ZRIconDrag::format(int i) const {
    return i == 0 ? kMimeType : nullptr;
}

QByteArray ZRIconDrag::encodedData(const char* mimeType) const {
    if (!mimeType || std::strcmp(mimeType, kMimeType) != 0) return {};
    QString text;
    const QString separator = QLatin1String(dragpayload::kSeparator);
    for (const ZRIconDragItem& record : m_records) {
        const QRect i = record.iconRect();
        const QRect t = record.textRect();
        for (int value :
             {i.left(), i.top(), i.width(), i.height(), t.left(), t.top(), t.width(), t.height()}) {
            text += QString::number(value);
            text += separator;
        }
        QByteArray data = record.data();
        const qsizetype end = data.indexOf('\0');
        if (end >= 0) data.truncate(end);
        text += QString::fromLatin1(data);
        text += separator;
    }
    return dragpayload::terminated(text);
}

QStringList ZRIconDrag::formats() const {
    return {QString::fromLatin1(kMimeType)};
}

QVariant ZRIconDrag::retrieveData(const QString& mimeType, QMetaType) const {
    if (mimeType != QLatin1String(kMimeType)) return {};
    return encodedData(kMimeType);
}

bool ZRIconDrag::canDecode(const QMimeData* source) {
    return source && source->hasFormat(QLatin1String(kMimeType));
}

bool ZRIconDrag::decode(const QMimeData* source, QList<ZRIconDragItem>& list) {
    if (!source) return false;
    const QByteArray bytes = source->data(QLatin1String(kMimeType));
    if (bytes.isEmpty()) return false;
    decodeBytes(bytes, list);
    return true;
}

void ZRIconDrag::decodeBytes(const QByteArray& bytes, QList<ZRIconDragItem>& list) {
    list.clear();
    const qsizetype end = bytes.indexOf('\0');
    const QString text = QString::fromUtf8(bytes.constData(), end >= 0 ? end : bytes.size());
    const QStringList pieces =
        text.split(QLatin1String(dragpayload::kSeparator), Qt::SkipEmptyParts);
    // The working rectangles carry over from record to record, as the format always did.
    Edges icon, caption;
    int field = 0;
    for (const QString& piece : pieces) {
        if (field < 4) {
            icon.set(field, number(piece));
        } else if (field < 8) {
            caption.set(field - 4, number(piece));
        } else if (icon.inRange() && caption.inRange()) {
            ZRIconDragItem item;
            item.setData(piece.toLatin1());
            item.setRects(icon.rect(), caption.rect());
            list.append(item);
        }
        field = field == 8 ? 0 : field + 1;
    }
}

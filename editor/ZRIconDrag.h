#pragma once

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QRect>
#include <QString>
#include <QStringList>

/// One dragged item of an icon list: an opaque data field (the seven bytes "no data" until set)
/// and, in an icon list, the item's icon and text rectangles relative to the point where the
/// drag started (the empty rectangle until set). A value type; subclasses may give the data
/// their own meaning. Reentrant.
class ZRIconDragItem {
public:
    ZRIconDragItem();
    virtual ~ZRIconDragItem() = default;
    ZRIconDragItem(const ZRIconDragItem&) = default;
    ZRIconDragItem& operator=(const ZRIconDragItem&) = default;

    /// A copy of the data bytes.
    virtual QByteArray data() const;
    /// Replaces the data bytes.
    virtual void setData(const QByteArray& bytes);

    QRect iconRect() const { return m_iconRect; }
    QRect textRect() const { return m_textRect; }
    void setRects(const QRect& iconRect, const QRect& textRect);

private:
    QByteArray m_data;
    QRect m_iconRect;
    QRect m_textRect;
};

/// The icon list drag: the records of the dragged items in append order, offered as the one
/// type "application/x-zriconlist". Each record travels as nine fields, each followed by
/// "$@@$": icon left, top, width, height, text left, top, width, height (decimal) and the data
/// bytes read as Latin-1 up to their first zero byte; the whole text as UTF-8 with one zero
/// byte after it. GUI thread (a QObject handed to a drag).
class ZRIconDrag : public QMimeData {
public:
    static constexpr char kMimeType[] = "application/x-zriconlist";

    ZRIconDrag() = default;

    /// Adds one record at the end.
    void append(const ZRIconDragItem& item, const QRect& iconRect, const QRect& textRect);
    int count() const { return int(m_records.size()); }

    /// "application/x-zriconlist" for 0, null for every other index.
    virtual const char* format(int i) const;
    /// The encoded records for exactly "application/x-zriconlist", else an empty array.
    virtual QByteArray encodedData(const char* mimeType) const;

    QStringList formats() const override;

    /// True when `source` provides "application/x-zriconlist".
    static bool canDecode(const QMimeData* source);
    /// Replaces `list` by the records of `source`'s icon list: false, `list` untouched, when the
    /// source has no such data. Numbers that are not numbers read as 0, a trailing group of
    /// fewer than nine fields adds no record, and a record with an edge beyond +/-2^24 (numbers
    /// are read in 64 bits) is dropped. Data characters above 255 come back as '?'.
    static bool decode(const QMimeData* source, QList<ZRIconDragItem>& list);
    /// `decode` over the raw bytes of an icon list.
    static void decodeBytes(const QByteArray& bytes, QList<ZRIconDragItem>& list);

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QList<ZRIconDragItem> m_records;
};

#pragma once

#include "editor/ZRPayloadDrag.h"

#include <QByteArray>
#include <QString>

class QMimeData;

/// The drag of one engine object (a video effect or a transition) out of the browser: an icon
/// list drag (so icon views still see icons) that also carries one engine object as the text
/// "ZRENGINE$@@$" id "$@@$" kind "$@@$" group "$@@$" name "$@@$" in UTF-8 with one zero byte,
/// under "application/x-zrengineicon" and "text/plain". The object is that of the record
/// appended last. GUI thread (a QObject handed to a drag); the static members are reentrant.
class ZREngineDrag : public ZRPayloadDrag {
public:
    static constexpr char kMimeType[] = "application/x-zrengineicon";

    /// An empty drag started on `dragSource` (not owned; may be null), id 0 and three empty
    /// texts; `name` names it for debugging.
    explicit ZREngineDrag(QObject* dragSource = nullptr, const char* name = nullptr);

    /// Appends the icon record as the icon list does and carries the four values from now on.
    void setEngineItem(const ZRIconDragItem& item, const QRect& pixmapRect, const QRect& textRect,
                       int id, const QString& kind, const QString& group, const QString& name);

    int id() const { return m_id; }
    QString kind() const { return m_kind; }
    QString group() const { return m_group; }
    QString name() const { return m_name; }

    /// True when `source` provides "application/x-zriconlist", "application/x-zrengineicon" or
    /// "text/plain".
    static bool canDecode(const QMimeData* source);

    /// Reads the engine payload: false (outputs untouched) without one or when its first field is
    /// not "ZRENGINE"; otherwise true, with the fields present written in order (id, kind, group,
    /// name, again from id after a further tag field) and the others left as they were.
    static bool decode(const QMimeData* source, int& id, QString& kind, QString& group,
                       QString& name);

    /// True when the three texts cross the payload whole: decoding splits at "$@@$" and drops
    /// empty pieces, so a text that is empty, holds "$@@$" or a zero character, or ends in "$@@"
    /// (its end and the separator after it read as one separator) would come back changed or
    /// move the fields after it. The engine views start no drag of such an object.
    static bool carriesWhole(const QString& kind, const QString& group, const QString& name);

    /// The payload for one engine object, as the browser's drags carry it.
    static QByteArray payload(int id, const QString& kind, const QString& group,
                              const QString& name);

    /// New drag data holding the payload under the engine and plain-text types.
    static QMimeData* mimeData(int id, const QString& kind, const QString& group,
                               const QString& name);

protected:
    QByteArray payloadBytes() const override;

private:
    int m_id = 0;
    QString m_kind;
    QString m_group;
    QString m_name;
};

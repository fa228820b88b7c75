#pragma once

#include "editor/ZRIconDrag.h"

#include <QByteArray>
#include <QPointer>

class QMimeData;

/// An icon list drag (so icon views still see icons) that also carries one payload of its own,
/// under its own type and "text/plain": the base of the engine and title drags, which say what
/// the payload is. GUI thread (a QObject handed to a drag); the static members are reentrant.
class ZRPayloadDrag : public ZRIconDrag {
public:
    QObject* dragSource() const { return m_source; }

    /// 0 "application/x-zriconlist", 1 the drag's own type, 2 "text/plain", else null.
    const char* format(int i) const override;
    /// The icon list for "application/x-zriconlist", the payload for the own and plain-text
    /// types, else an empty array.
    QByteArray encodedData(const char* mimeType) const override;
    QStringList formats() const override;

protected:
    /// `ownType` is a string constant of the subclass; `dragSource` is not owned and may be
    /// null; `name` names the drag for debugging.
    ZRPayloadDrag(const char* ownType, QObject* dragSource, const char* name);

    /// The payload of the object carried now.
    virtual QByteArray payloadBytes() const = 0;
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

    /// True when `source` provides "application/x-zriconlist", `ownType` or "text/plain".
    static bool canDecodeType(const QMimeData* source, const char* ownType);
    /// New drag data holding `bytes` under `ownType` and "text/plain".
    static QMimeData* mimeDataFor(const char* ownType, const QByteArray& bytes);

private:
    const char* m_type;
    QPointer<QObject> m_source;
};

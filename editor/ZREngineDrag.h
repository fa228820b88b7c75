#pragma once

#include <QByteArray>
#include <QString>

class QMimeData;

/// The drag of one engine object (a video effect or a transition) out of the browser: the text
/// "ZRENGINE$@@$" id "$@@$" kind "$@@$" group "$@@$" name "$@@$" under
/// "application/x-zrengineicon" (and "text/plain"). Reentrant: no shared state.
class ZREngineDrag {
public:
    static constexpr char kMimeType[] = "application/x-zrengineicon";

    /// True when `source` provides "application/x-zriconlist", "application/x-zrengineicon" or
    /// "text/plain".
    static bool canDecode(const QMimeData* source);

    /// Reads the engine payload: false (outputs untouched) without one or when its first field is
    /// not "ZRENGINE"; otherwise true, with the fields present written in order (id, kind, group,
    /// name, again from id after a further tag field) and the others left as they were.
    static bool decode(const QMimeData* source, int& id, QString& kind, QString& group,
                       QString& name);

    /// The payload for one engine object, as the browser's drags carry it.
    static QByteArray payload(int id, const QString& kind, const QString& group,
                              const QString& name);

    /// New drag data holding the payload under the engine and plain-text types.
    static QMimeData* mimeData(int id, const QString& kind, const QString& group,
                               const QString& name);
};

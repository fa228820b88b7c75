#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <Qt>

#include <cstdint>

class QDrag;
class QMimeData;

/// A drag that moves an engine object already on the timeline from one place of the program's
/// window to another. It carries the object's address and the identity of the thread that
/// started it as decimal numbers in the text "ZRVESKEDITOR$@@$" thread "$@@$" object "$@@$"
/// (UTF-8, one zero byte after it) under "application/x-zrveskeditorobject", the only format
/// offered. The numbers mean something only inside this process: a receiver finds the object
/// with `ZRVeskEditor::droppedObject`, never by using the number. GUI thread only.
class ZRVeskEditorDrag {
public:
    static constexpr char kMimeType[] = "application/x-zrveskeditorobject";

    /// A drag from `dragSource` (the widget it starts on); `name` names it for debugging (the
    /// tracks pass "Moving Editor Object"). The payload is all 0.
    ZRVeskEditorDrag(QObject* dragSource, const char* name);
    virtual ~ZRVeskEditorDrag();
    ZRVeskEditorDrag(const ZRVeskEditorDrag&) = delete;
    ZRVeskEditorDrag& operator=(const ZRVeskEditorDrag&) = delete;

    /// The MIME type for 0, null for any other index.
    const char* format(int i) const;
    /// The payload text when `mime` is the MIME type, else empty.
    QByteArray encodedData(const char* mime) const;
    /// True when `source` provides the MIME type.
    static bool canDecode(const QMimeData* source);

    /// `extra` is the sending track's own value; it is not encoded.
    void setPayload(uintptr_t sourceThread, uintptr_t object, uintptr_t extra);
    uintptr_t sourceThread() const { return m_sourceThread; }
    uintptr_t object() const { return m_object; }
    uintptr_t extra() const { return m_extra; }

    /// Runs the drag with copy or move allowed; true when the drop was a move.
    bool dragCopyOrMove();
    /// New drag data holding the payload (the caller owns it).
    QMimeData* mimeData() const;

    /// Reads a payload: false (outputs untouched) when `source` lacks the format or its first
    /// field is not "ZRVESKEDITOR"; otherwise true, with the fields present written in order
    /// (thread, object, again from the thread after a further field) and the others left alone.
    /// A field that is no number reads 0.
    static bool decode(const QMimeData* source, uintptr_t* sourceThread, uintptr_t* object);

    /// The drag of this process that is running now, null when none is.
    static const ZRVeskEditorDrag* running();

protected:
    /// Runs the prepared drag and answers the action the drop took (copy or move allowed, copy
    /// preferred); the drag counts as running meanwhile.
    virtual Qt::DropAction execute(QDrag& drag);

private:
    QPointer<QObject> m_source;
    QByteArray m_name;
    uintptr_t m_sourceThread = 0;
    uintptr_t m_object = 0;
    uintptr_t m_extra = 0;
};

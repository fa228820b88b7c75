#pragma once

#include "editor/ZRPayloadDrag.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class QMimeData;

/// One title as a drag carries it to the storyboard and the timeline tracks.
struct ZRTitleSettings {
    /// The title markup ("Text Text(U)").
    QString text;
    int32_t alignment = 0;
    int32_t letterSpacing = 0;
    int32_t lineSpacing = 0;
    /// 0xFFRRGGBB.
    uint32_t backgroundColor = 0;
    int32_t opaqueBackground = 0;
    int32_t startX = 0;
    int32_t startY = 0;
    int32_t endX = 0;
    int32_t endY = 0;
    int32_t movement = 0;
    int32_t fadeIn = 0;
    int32_t fadeOut = 0;
    /// Milliseconds.
    int32_t fadeTime = 0;
    /// The title's mark-out in milliseconds.
    double duration = 0.0;
    double safeFrameSize = 0.0;

    bool operator==(const ZRTitleSettings&) const = default;
};

/// The drag of titles out of the titles browser: an icon list drag (so icon views still move the
/// icons) carrying one title record as well, the record of the title appended last. The record
/// travels as "ZRTITLE" and the sixteen fields of `ZRTitleSettings`, joined by "$@@$", under
/// "application/x-zrtitleicon" and "text/plain". GUI thread (a QObject handed to a drag); the
/// static readers are reentrant.
class ZRTitleDrag : public ZRPayloadDrag {
public:
    static constexpr char kMimeType[] = "application/x-zrtitleicon";

    /// An empty drag started on `dragSource` (not owned; may be null); `name` names it for
    /// debugging.
    explicit ZRTitleDrag(QObject* dragSource = nullptr, const char* name = nullptr);

    /// Appends the icon item as the icon list does and carries a copy of `record` from now on.
    void append(const ZRIconDragItem& item, const QRect& pixmapRect, const QRect& textRect,
                const ZRTitleSettings& record);
    /// The record carried.
    const ZRTitleSettings& settings() const { return m_settings; }

    /// True when `source` provides "application/x-zriconlist", "application/x-zrtitleicon" or
    /// "text/plain".
    static bool canDecode(const QMimeData* source);

    /// Reads the title payload into `record`: false without one or when its first field is not
    /// "ZRTITLE" (the record untouched). A payload of the full length reads its fifteen numbers
    /// from the right end, the text being everything between the marker and them, so a text
    /// holding the separator comes back whole. A shorter one is read field by field (empty
    /// fields dropped), missing fields left unchanged. Unreadable numbers give 0.
    static bool decode(const QMimeData* source, ZRTitleSettings& record);

    /// The payload: integers as unsigned decimal, the colour as lower-case hexadecimal, the two
    /// doubles with six significant digits; UTF-8 with one zero byte at the end.
    static QByteArray payload(const ZRTitleSettings& record);

    /// New drag data holding the payload under the title and plain-text types.
    static QMimeData* mimeData(const ZRTitleSettings& record);

protected:
    QByteArray payloadBytes() const override;

private:
    ZRTitleSettings m_settings;
};

#pragma once

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

/// The drag of a title out of the titles browser: "ZRTITLE" and the sixteen fields of
/// `ZRTitleSettings`, joined by "$@@$", under "application/x-zrtitleicon" (and "text/plain").
/// Reentrant: no shared state.
class ZRTitleDrag {
public:
    static constexpr char kMimeType[] = "application/x-zrtitleicon";

    /// True when `source` provides "application/x-zriconlist", "application/x-zrtitleicon" or
    /// "text/plain".
    static bool canDecode(const QMimeData* source);

    /// Reads the title payload into `record`: false without one or when its first field is not
    /// "ZRTITLE" (the record untouched); otherwise true, each field present read in order
    /// (unreadable numbers give 0), fields beyond the sixteenth ignored, missing ones unchanged.
    static bool decode(const QMimeData* source, ZRTitleSettings& record);

    /// The payload: integers as unsigned decimal, the colour as lower-case hexadecimal, the two
    /// doubles with six significant digits; UTF-8 with one zero byte at the end.
    static QByteArray payload(const ZRTitleSettings& record);

    /// New drag data holding the payload under the title and plain-text types.
    static QMimeData* mimeData(const ZRTitleSettings& record);
};

#pragma once

#include <QString>

class IZRObject;
class IZRTimeline;
struct ZRTitleSettings;

/// A title's name: its text without "<!...!>" tags (greedy: from the first "<!" to the last
/// "!>"), up to the first line break.
QString titleName(QString text);

/// True for a title duration (milliseconds) a position can take: finite, above 0 and within
/// the int range.
bool usableTitleDuration(double milliseconds);

/// A new "2D-Text" engine object (on no track) made from a dragged title: named by its first
/// line, with the record's text settings, the given "Text Opaque Background" and
/// "Overlay Mode", and as long as the record's duration. Null, with nothing made, for a duration
/// `usableTitleDuration` refuses or when the engine makes no object. No editor record is
/// attached.
IZRObject* createTitleObject(IZRTimeline* timeline, const ZRTitleSettings& title,
                             int opaqueBackground, int overlayMode);

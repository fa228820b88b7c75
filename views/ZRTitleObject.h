#pragma once

#include <QString>

class IZRObject;
class IZRTimeline;
struct ZRTitleSettings;

/// A title's name: its text without the "<!...!>" tags, up to the first line break.
QString titleName(QString text);

/// A new "2D-Text" object (on no track) for a title dragged out of the titles page: named by
/// `titleName`, given the title's text settings, the overlay mode (0 a full-frame clip, 4 an
/// overlay) and a mark-out of the title's duration. Null, and nothing made, when the duration is
/// no usable whole number of milliseconds (not finite, not above 0, past the int range) or the
/// engine makes no object. GUI thread.
IZRObject* makeTitleObject(IZRTimeline* timeline, const ZRTitleSettings& title, int overlayMode);

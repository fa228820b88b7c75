#pragma once

// Engine video frames drawn onto a QPainter. The engine's pixels are drawn in place (wrapped as
// a Format_RGB32 image, alpha ignored), never copied. Frames taller than 288 lines are shown
// from their even lines only (the first field), where noted. Safe on any thread that owns the
// painter; engine images are read under their lock.

#include <QRect>

class IZRImage;
class IZRObject;
class IZRPos;
class IZRTimeline;
class QPainter;

/// Composes the timeline's frame at `position` (`videoAt`, unlocked afterwards), scales it into
/// a fresh w x h engine image and draws that at (x, y); `object` is not used. The image shows
/// the background colour when the engine gives no frame; nothing is drawn without a timeline or
/// position, or when the engine gives no image.
void stretchFrameToDC(IZRTimeline* timeline, IZRObject* object, IZRPos* position, QPainter& painter,
                      int x, int y, int w, int h);

/// Composes the timeline's frame at `position` (`videoAt`) and stretches it over `rect`, from its
/// even lines when it is taller than 288; the frame is unlocked afterwards. False when the
/// engine gave no frame.
bool stretchFrameToRect(QPainter& painter, const QRect& rect, IZRTimeline* timeline,
                        IZRPos* position);

/// Stretches an engine image (its lock held by the caller) over the w x h rectangle at (x, y),
/// from its even lines when it is taller than 288.
void stretchFrameToWidget(IZRImage* image, QPainter& painter, int x, int y, int w, int h);

/// Stretches a bare buffer of 32-bit pixels (bytesPerLine / 4 pixels wide, `height` lines) over
/// `rect`.
void stretchFrameToWidgetRect(QPainter& painter, const QRect& rect, const unsigned char* pixels,
                              int bytesPerLine, int height);

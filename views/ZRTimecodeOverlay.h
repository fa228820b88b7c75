#pragma once

#include <QString>

class IZRImage;
class IZRPos;

/// The time-code overlay's renderer: while an overlay object exists, the engine's frame function
/// `frame` draws the running time code into the bottom-right corner of each transparent overlay
/// frame, over a dark translucent box. The text renderer belongs to the overlay object and is
/// used only under one process-wide mutex; the destructor takes it away under that mutex before
/// it is deleted, so engine threads that still render a frame afterwards draw no text.
/// Thread-safety: `frame` and `drawInto` may run on any thread at any time; construct and
/// destroy on the GUI thread. The last overlay made is the one the frames use.
class ZRTimecodeOverlay {
public:
    ZRTimecodeOverlay();
    ~ZRTimecodeOverlay();
    ZRTimecodeOverlay(const ZRTimecodeOverlay&) = delete;
    ZRTimecodeOverlay& operator=(const ZRTimecodeOverlay&) = delete;

    /// The engine's frame function of the overlay object: clears the frame to transparent and
    /// draws the position's time code. Null arguments do nothing.
    static void frame(const IZRPos* position, IZRImage* frame);
    /// The same on a 32-bit buffer of w x h pixels, `stride` bytes a row.
    static void drawInto(unsigned char* pixels, int w, int h, int stride, const QString& text);
    /// The time code of a position, "hh:mm:ss.ff".
    static QString textOf(const IZRPos* position);

    /// The text renderer; exists while the overlay does.
    struct Renderer;
};

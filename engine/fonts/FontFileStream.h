#pragma once

#include <cstddef>
#include <cstdint>

/// Read access to a font file as one read-only memory-mapped view: reads copy out of the view
/// and frames point straight into it. Every call answers a result code and never writes a
/// message. The functions keep no shared state; one stream belongs to one thread at a time
/// (the font code calls them under its font mutex).
namespace fonts {

enum FontFileResult : int {
    kFontFileOk = 0,
    kCouldNotOpenFile = 8,
    kInvalidFileOffset = 512,
    kInvalidFileRead = 513,
    kInvalidFrameAccess = 514,
    kNestedFrameAccess = 1280,
    kCouldNotClose = -1,
};

/// One open font file. `base` is null while closed. The descriptor is closed as soon as the
/// view is mapped, so an open stream holds only its mapping.
struct FontFileStream {
    const unsigned char* base = nullptr;
    uint32_t size = 0;
    uint32_t position = 0;
};

/// A window of bytes inside a stream's view; inactive while `cursor` is null.
struct FontFileFrame {
    const unsigned char* cursor = nullptr;
    const unsigned char* start = nullptr;
    uint32_t size = 0;
};

/// Maps the whole file read-only: 0, or 8 when it cannot be opened, is empty, larger than 4 GiB
/// or cannot be mapped (then nothing stays open and `stream` is reset).
[[nodiscard]] int streamOpen(const char* fileName, FontFileStream* stream);
/// Unmaps the view and resets the record: 0, or -1 when unmapping failed.
int streamClose(FontFileStream* stream);
/// Copies the record; both then share one view, and only one of them may be closed.
int streamDuplicate(const FontFileStream* source, FontFileStream* target);
/// Moves to `position` (the end itself is allowed): 0, or 512 beyond the end (nothing changes).
[[nodiscard]] int streamSeek(FontFileStream* stream, uint64_t position);
/// Moves `count` bytes on: 0 or 512.
[[nodiscard]] int streamSkip(FontFileStream* stream, uint64_t count);
/// Copies `count` bytes from the position and advances it: 0, or 513 past the end (nothing read).
[[nodiscard]] int streamRead(FontFileStream* stream, void* buffer, uint64_t count);
/// Seek, then read; the first failure is the answer.
[[nodiscard]] int streamReadAt(FontFileStream* stream, uint64_t position, void* buffer,
                               uint64_t count);
uint32_t streamPosition(const FontFileStream* stream);
/// Makes `frame` cover `count` bytes at the position and advances it: 0, 514 past the end,
/// 1280 when the frame is already active.
[[nodiscard]] int frameAccess(FontFileStream* stream, FontFileFrame* frame, uint64_t count);
/// Makes `frame` cover up to `count` bytes at the position without moving it: 0 or 1280.
[[nodiscard]] int framePeek(FontFileStream* stream, FontFileFrame* frame, uint64_t count);
/// Make the frame inactive.
int frameRelease(FontFileFrame* frame);
int frameInit(FontFileFrame* frame);

} // namespace fonts

#pragma once

/// A block of 32-bit pixels as the blend and the blur see it: rows `stride` bytes apart.
/// The pixels belong to the caller.
struct ZRPixelView {
    unsigned char* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

/// The largest box edge the blur uses; larger sizes are taken as this one.
inline constexpr int kMaxBoxBlurSize = 4095;

/// Replaces bytes 0, 1 and 2 of the pixel at (x, y) by the means of the n x n square centred
/// on it, n = `size` rounded up to odd (at least 1, at most kMaxBoxBlurSize). Squares reaching
/// past the edge repeat the edge pixels. Byte 3 stays; nothing happens when (x, y) lies
/// outside the frame. Reads see earlier writes: blur pixels in the order the caller wants.
void zrBoxBlurAt(const ZRPixelView& frame, int x, int y, int size);

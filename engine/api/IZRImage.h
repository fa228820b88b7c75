#pragma once

/// A lockable block of 32-bit pixels (bytes blue, green, red, alpha; rows top-down).
/// Thread-safety: readers and writers hold the image's recursive lock (`lock`/`unlock`).
class IZRImage {
public:
    virtual ~IZRImage() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual int stride() const = 0;
    virtual unsigned char* pixels() = 0;
    /// (Re)allocates width x height pixels cleared to the background colour; with
    /// `noAllocation` non-zero frees the block and answers false.
    virtual bool create(int width, int height, int noAllocation) = 0;
    /// Uses the caller's pixels (never freed by the image) and clears them.
    virtual bool attach(unsigned char* pixels, int width, int height, int stride) = 0;
    /// Copies every row in format 0 (BGRA), 1 (BGR), 2 (RGB 565), 3 (RGB 555) or 5 (4:2:2).
    virtual bool copyTo(unsigned char* destination, int destinationStride, int format,
                        bool flip) = 0;
    virtual bool flag() const = 0;
    /// Rebuilds the picture from one field's lines.
    virtual void scale(bool firstField) = 0;
    /// Fills the image with the timeline's background colour.
    virtual void clear() = 0;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    virtual bool locked() = 0;
};

#include "engine/fonts/FontFileStream.h"

#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fonts {

// Bytes left after the position; `count` is compared with it so that no sum can wrap.
static uint64_t remaining(const FontFileStream* stream) {
    return stream->position <= stream->size ? uint64_t(stream->size - stream->position) : 0;
}

int streamOpen(const char* fileName, FontFileStream* stream) {
    if (!stream) return kCouldNotOpenFile;
    *stream = FontFileStream{};
    if (!fileName) return kCouldNotOpenFile;
    const int fd = ::open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kCouldNotOpenFile;

    struct stat info {};
    // Sizes are kept in 32 bits; an empty file cannot be mapped.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        uint64_t(info.st_size) > UINT32_MAX) {
        ::close(fd);
        return kCouldNotOpenFile;
    }
    void* view = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (view == MAP_FAILED) return kCouldNotOpenFile;
    // Font loaders jump between tables.
    ::madvise(view, size_t(info.st_size), MADV_RANDOM);

    stream->base = static_cast<const unsigned char*>(view);
    stream->size = uint32_t(info.st_size);
    stream->position = 0;
    return kFontFileOk;
}

int streamClose(FontFileStream* stream) {
    if (!stream) return kCouldNotClose;
    int result = kFontFileOk;
    if (stream->base && ::munmap(const_cast<unsigned char*>(stream->base), stream->size) != 0)
        result = kCouldNotClose;
    *stream = FontFileStream{};
    return result;
}

int streamDuplicate(const FontFileStream* source, FontFileStream* target) {
    *target = *source;
    return kFontFileOk;
}

int streamSeek(FontFileStream* stream, uint64_t position) {
    if (position > stream->size) return kInvalidFileOffset;
    stream->position = uint32_t(position);
    return kFontFileOk;
}

int streamSkip(FontFileStream* stream, uint64_t count) {
    if (count > remaining(stream)) return kInvalidFileOffset;
    return streamSeek(stream, uint64_t(stream->position) + count);
}

int streamRead(FontFileStream* stream, void* buffer, uint64_t count) {
    if (count > remaining(stream)) return kInvalidFileRead;
    if (count > 0) std::memcpy(buffer, stream->base + stream->position, size_t(count));
    stream->position += uint32_t(count);
    return kFontFileOk;
}

int streamReadAt(FontFileStream* stream, uint64_t position, void* buffer, uint64_t count) {
    if (const int result = streamSeek(stream, position); result != kFontFileOk) return result;
    return streamRead(stream, buffer, count);
}

uint32_t streamPosition(const FontFileStream* stream) {
    return stream->position;
}

int frameAccess(FontFileStream* stream, FontFileFrame* frame, uint64_t count) {
    if (frame->cursor) return kNestedFrameAccess;
    if (count > remaining(stream)) return kInvalidFrameAccess;
    frame->cursor = frame->start = stream->base + stream->position;
    frame->size = uint32_t(count);
    stream->position += uint32_t(count);
    return kFontFileOk;
}

int framePeek(FontFileStream* stream, FontFileFrame* frame, uint64_t count) {
    if (frame->cursor) return kNestedFrameAccess;
    const uint64_t left = remaining(stream);
    frame->cursor = frame->start = stream->base + stream->position;
    frame->size = uint32_t(count < left ? count : left);
    return kFontFileOk;
}

int frameRelease(FontFileFrame* frame) {
    *frame = FontFileFrame{};
    return kFontFileOk;
}

int frameInit(FontFileFrame* frame) {
    return frameRelease(frame);
}

} // namespace fonts

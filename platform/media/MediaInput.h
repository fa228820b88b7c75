#pragma once

#include "platform/media/FFmpegHandles.h"
#include "platform/segments/ZRSegmentedInput.h"

#include <chrono>
#include <string>

namespace mediaimport {

/// One demuxer on a local media file, with the decoders of its streams. Every read runs under a
/// time limit started by `startOperation`: when it runs out, reading stops as at the end of the
/// file, so no damaged file can hold a caller for long.
/// Thread-safety: used by one thread at a time; separate inputs are independent.
class MediaInput {
public:
    MediaInput() = default;
    MediaInput(const MediaInput&) = delete;
    MediaInput& operator=(const MediaInput&) = delete;

    /// Opens `path` as a plain file (no protocol prefix is honoured, nested opens of a container
    /// stay on local files; the file must be a regular file, so a FIFO, terminal or device is
    /// refused without blocking) and reads its stream information. A segment list ("OVMP",
    /// "OVDV") opens as the one stream its segments make together, passing over the segments
    /// that are not regular files; a script of libavformat's own file lists ("ffconcat") is not
    /// media and is refused, whatever it names. False, with `*error` set and
    /// nothing open, when it cannot.
    bool open(const std::string& path, std::string* error);
    AVFormatContext* context() const { return m_context.get(); }
    AVStream* stream(int index) const;

    /// Starts the time limit of one operation.
    void startOperation();
    /// Only the packets of `streamIndex` are demuxed from now on.
    void keepOnly(int streamIndex);
    /// The next packet of `streamIndex` into `packet` (unreferenced first); false at the end of
    /// the file, on a read error or when the time limit ran out.
    bool readPacket(AVPacket* packet, int streamIndex);
    /// A decoder for `streamIndex`, pictures limited to `kMaxPixels`; null when the stream has
    /// no decoder or it does not open. `sliceThreads` lets it split each picture over the
    /// machine's cores (never frame threads, which delay every frame after a seek); otherwise
    /// it runs on the caller's thread alone.
    CodecContextHandle openDecoder(int streamIndex, bool sliceThreads) const;
    /// The threads a picture decoder splits its work over on this machine: one a core, 1 to 8.
    static int decoderThreads();

    /// The largest picture a decoder accepts (8192 x 4608): bounds what a damaged header can
    /// make a decoder allocate.
    static constexpr int64_t kMaxPixels = int64_t(8192) * 4608;

private:
    static int interrupted(void* opaque);
    static int openRegular(AVFormatContext* context, AVIOContext** pb, const char* url, int flags,
                           AVDictionary** options);

    using OpenFunction = int (*)(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**);
    OpenFunction m_defaultOpen = nullptr;

    // Declared first: the demuxer reads from it until it is closed.
    std::unique_ptr<segments::ZRSegmentedInput> m_segments;
    InputHandle m_context;
    std::chrono::steady_clock::time_point m_deadline{};
};

} // namespace mediaimport

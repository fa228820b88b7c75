#include "platform/media/MediaInput.h"

#include "platform/media/SharedSlices.h"

extern "C" {
#include <libavutil/dict.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace mediaimport {

namespace {

// How long one open, seek or read may take before reading gives up.
constexpr std::chrono::seconds kOperationLimit(15);

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct DictionaryDeleter {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

// stat() answers without opening, so a FIFO or terminal cannot block the check.
bool isRegularFile(const char* url) {
    if (std::strncmp(url, "file:", 5) == 0) url += 5;
    struct stat info {};
    return ::stat(url, &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

int MediaInput::openRegular(AVFormatContext* context, AVIOContext** pb, const char* url, int flags,
                            AVDictionary** options) {
    // open(2) on a FIFO without a writer, or on a terminal, waits for ever, past any interrupt
    // callback; devices like /dev/zero never end. The demuxer opens the file itself through
    // here, so it is checked before it is opened.
    if (!url || !isRegularFile(url)) return AVERROR(EINVAL);
    const auto* input = static_cast<const MediaInput*>(context->opaque);
    // A demuxer that hands this open on to an inner input of its own does not pass the opaque.
    if (!input || !input->m_defaultOpen) return AVERROR(EINVAL);
    return input->m_defaultOpen(context, pb, url, flags, options);
}

int MediaInput::interrupted(void* opaque) {
    const auto* input = static_cast<const MediaInput*>(opaque);
    return std::chrono::steady_clock::now() > input->m_deadline ? 1 : 0;
}

void MediaInput::startOperation() {
    m_deadline = std::chrono::steady_clock::now() + kOperationLimit;
}

bool MediaInput::open(const std::string& path, std::string* error) {
    m_context.reset();
    m_segments.reset();
    startOperation();
    const AVInputFormat* format = nullptr;
    if (segments::ZRSegmentedInput::isList(path)) {
        m_segments = segments::ZRSegmentedInput::open(path, error);
        if (!m_segments) return false;
        format = av_find_input_format(m_segments->formatName());
        if (!format) {
            *error = std::string("no demuxer \"") + m_segments->formatName() + "\"";
            m_segments.reset();
            return false;
        }
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context) {
        *error = "out of memory";
        return false;
    }
    context->interrupt_callback.callback = &MediaInput::interrupted;
    context->interrupt_callback.opaque = this;
    if (m_segments) context->pb = m_segments->context();
    context->opaque = this;
    m_defaultOpen = context->io_open;
    context->io_open = &MediaInput::openRegular;

    AVDictionary* options = nullptr;
    // The name is a file name, never a pattern of picture files or a network address.
    av_dict_set(&options, "pattern_type", "none", 0);
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // The concat script of a DV list names its segments by absolute path.
    if (m_segments)
        av_dict_set(&options, "safe", "0", 0);
    else
        av_dict_set(&options, "format_whitelist", segments::mediaDemuxers(), 0);
    std::unique_ptr<AVDictionary, DictionaryDeleter> owned(options);
    const std::string url = "file:" + path;
    AVDictionary* passed = owned.release();
    const int opened = avformat_open_input(&context, url.c_str(), format, &passed);
    owned.reset(passed);
    if (opened < 0) {
        // avformat_open_input frees the context when it fails.
        *error = opened == AVERROR(EINVAL) && !isRegularFile(url.c_str()) ? "not a regular file"
                                                                          : errorText(opened);
        m_segments.reset();
        return false;
    }
    m_context.reset(context);
    const int found = avformat_find_stream_info(context, nullptr);
    if (found < 0) {
        *error = errorText(found);
        m_context.reset();
        m_segments.reset();
        return false;
    }
    return true;
}

AVStream* MediaInput::stream(int index) const {
    if (!m_context || index < 0 || unsigned(index) >= m_context->nb_streams) return nullptr;
    return m_context->streams[index];
}

void MediaInput::keepOnly(int streamIndex) {
    if (!m_context) return;
    for (unsigned i = 0; i < m_context->nb_streams; ++i)
        m_context->streams[i]->discard = int(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

bool MediaInput::readPacket(AVPacket* packet, int streamIndex) {
    if (!m_context) return false;
    for (;;) {
        av_packet_unref(packet);
        if (av_read_frame(m_context.get(), packet) < 0) return false;
        if (packet->stream_index == streamIndex) return true;
    }
}

int MediaInput::decoderThreads() {
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

CodecContextHandle MediaInput::openDecoder(int streamIndex, bool sliceThreads) const {
    AVStream* s = stream(streamIndex);
    if (!s) return nullptr;
    const AVCodec* codec = avcodec_find_decoder(s->codecpar->codec_id);
    if (!codec) return nullptr;
    CodecContextHandle decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), s->codecpar) < 0) return nullptr;
    // Slice threads only: a decoder with frame threads holds frames back, so each seek would
    // cost a pipeline's worth of decoding. Codecs without slices decode on one thread. DV, the
    // editor's own format, shares one pool of threads instead of starting its own.
    const bool shared = sliceThreads && decoder->codec_id == AV_CODEC_ID_DVVIDEO;
    decoder->thread_count = sliceThreads && !shared ? decoderThreads() : 1;
    decoder->thread_type = FF_THREAD_SLICE;
    decoder->max_pixels = kMaxPixels;
    decoder->pkt_timebase = s->time_base;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return nullptr;
    if (shared) shareSliceThreads(decoder.get());
    return decoder;
}

} // namespace mediaimport

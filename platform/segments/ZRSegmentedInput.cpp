#include "platform/segments/ZRSegmentedInput.h"

#include "platform/ffmpeg/FFmpegHandles.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace segments {

namespace {

constexpr int kBufferSize = 64 * 1024;

int readPacket(void* opaque, uint8_t* data, int count) {
    return static_cast<ZRSegmentedInput*>(opaque)->read(data, count);
}

int64_t seekStream(void* opaque, int64_t offset, int whence) {
    return static_cast<ZRSegmentedInput*>(opaque)->seek(offset, whence);
}

// A name inside single quotes for the concat script: a quote closes, is escaped and reopens.
std::string quoted(const std::string& path) {
    std::string text = "'";
    for (const char c : path) {
        if (c == '\'')
            text += "'\\''";
        else
            text += c;
    }
    return text + "'";
}

struct SegmentCounts {
    int64_t frames = 0;
    int64_t samples = 0;
    AVRational rate{0, 1};
};

// Frames and samples of one DV AVI segment, from its headers alone (nothing is decoded).
bool countDV(const std::string& path, SegmentCounts* counts) {
    AVFormatContext* context = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", mediaDemuxers(), 0);
    const std::string url = "file:" + path;
    const int opened = avformat_open_input(&context, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return false;
    platform::ffmpeg::InputHandle owned(context);
    const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return false;
    const AVStream* v = context->streams[video];
    AVRational rate = v->avg_frame_rate.num > 0 ? v->avg_frame_rate : v->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) return false;
    int64_t frames = v->nb_frames;
    if (frames <= 0 && v->duration > 0)
        frames = av_rescale_q(v->duration, v->time_base, av_inv_q(rate));
    if (frames <= 0) return false;
    counts->frames = frames;
    counts->rate = rate;
    const int audio = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
    if (audio >= 0) {
        const AVStream* a = context->streams[audio];
        const int hz = a->codecpar->sample_rate;
        if (hz > 0 && a->duration > 0)
            counts->samples = av_rescale_q(a->duration, a->time_base, {1, hz});
        // DV sound is locked to the pictures: without a length of its own, it lasts as long.
        else if (hz > 0)
            counts->samples = av_rescale(frames, int64_t(hz) * rate.den, rate.num);
    }
    return true;
}

} // namespace

const char* mediaDemuxers() {
    static const std::string names = [] {
        std::string joined;
        void* state = nullptr;
        while (const AVInputFormat* format = av_demuxer_iterate(&state)) {
            if (std::strcmp(format->name, "concat") == 0) continue;
            if (!joined.empty()) joined += ',';
            joined += format->name;
        }
        return joined;
    }();
    return names.c_str();
}

ZRSegmentedInput::~ZRSegmentedInput() {
    if (m_io) {
        av_freep(&m_io->buffer);
        avio_context_free(&m_io);
    }
    if (m_fd >= 0) ::close(m_fd);
}

bool ZRSegmentedInput::isList(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char head[4] = {};
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == 4 && (std::memcmp(head, "OVMP", 4) == 0 || std::memcmp(head, "OVDV", 4) == 0);
}

std::unique_ptr<ZRSegmentedInput> ZRSegmentedInput::open(const std::string& listPath,
                                                         std::string* error) {
    std::error_code failed;
    const std::string absolute = std::filesystem::absolute(listPath, failed).string();
    const std::optional<ZRSegmentList> list =
        ZRSegmentList::read(failed ? listPath : absolute, error);
    if (!list) return nullptr;
    std::unique_ptr<ZRSegmentedInput> input(new ZRSegmentedInput);
    input->m_kind = list->kind();
    for (const std::string& path : list->readableSegments()) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) continue;
        Segment segment;
        segment.path = path;
        segment.size = int64_t(info.st_size);
        input->m_segments.push_back(segment);
    }
    if (input->m_kind == ZRSegmentList::Kind::DV && !input->probeDV(error)) return nullptr;
    if (input->m_segments.empty()) {
        *error = "the segment list '" + listPath + "' names no segment that can be read";
        return nullptr;
    }
    if (!input->makeContext()) {
        *error = "out of memory";
        return nullptr;
    }
    return input;
}

bool ZRSegmentedInput::probeDV(std::string* error) {
    std::vector<Segment> kept;
    int64_t frame = 0;
    int64_t sample = 0;
    for (Segment segment : m_segments) {
        SegmentCounts counts;
        if (!countDV(segment.path, &counts)) continue;
        // Every segment plays at the first one's rate; one that does not belongs elsewhere.
        if (kept.empty()) m_rate = counts.rate;
        if (av_cmp_q(counts.rate, m_rate) != 0) continue;
        segment.firstFrame = frame;
        segment.frames = counts.frames;
        segment.firstSample = sample;
        segment.samples = counts.samples;
        frame += counts.frames;
        sample += counts.samples;
        kept.push_back(segment);
    }
    m_segments = std::move(kept);
    m_script = "ffconcat version 1.0\n";
    for (const Segment& segment : m_segments) {
        // Durations in microseconds, rounded once per segment: the error stays below a
        // microsecond per segment, far from a frame.
        const int64_t micros =
            av_rescale(segment.frames, int64_t(1000000) * m_rate.den, m_rate.num);
        char duration[64];
        std::snprintf(duration, sizeof duration, "%" PRId64 ".%06" PRId64, micros / 1000000,
                      micros % 1000000);
        m_script += "file " + quoted(segment.path) + "\nduration " + duration + "\n";
    }
    if (m_segments.empty()) *error = "the segment list names no DV segment that can be read";
    return !m_segments.empty();
}

bool ZRSegmentedInput::makeContext() {
    if (m_kind == ZRSegmentList::Kind::Mpeg) {
        uint64_t offset = 0;
        for (Segment& segment : m_segments) {
            segment.offset = int64_t(offset);
            offset += uint64_t(segment.size);
        }
        m_size = offset;
    } else {
        m_size = m_script.size();
    }
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    if (!buffer) return false;
    m_io = avio_alloc_context(buffer, kBufferSize, 0, this, &readPacket, nullptr, &seekStream);
    if (!m_io) {
        av_free(buffer);
        return false;
    }
    m_io->seekable = AVIO_SEEKABLE_NORMAL;
    return true;
}

const char* ZRSegmentedInput::formatName() const {
    return m_kind == ZRSegmentList::Kind::Mpeg ? "mpeg" : "concat";
}

bool ZRSegmentedInput::openSegment(size_t index) {
    if (m_fd >= 0 && m_fdSegment == index) return true;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = ::open(m_segments[index].path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    m_fdSegment = index;
    return m_fd >= 0;
}

int ZRSegmentedInput::read(uint8_t* data, int count) {
    if (count <= 0) return 0;
    if (m_position >= m_size) return AVERROR_EOF;
    const size_t want = size_t(std::min<uint64_t>(uint64_t(count), m_size - m_position));
    if (m_kind == ZRSegmentList::Kind::DV) {
        std::memcpy(data, m_script.data() + m_position, want);
        m_position += want;
        return int(want);
    }
    // The segment holding the position: the last one that begins at or before it.
    const auto after = std::upper_bound(
        m_segments.begin(), m_segments.end(), m_position,
        [](uint64_t position, const Segment& s) { return position < uint64_t(s.offset); });
    const size_t index = size_t(after - m_segments.begin()) - 1;
    const Segment& segment = m_segments[index];
    const uint64_t inside = m_position - uint64_t(segment.offset);
    const size_t part = size_t(std::min<uint64_t>(want, uint64_t(segment.size) - inside));
    if (!openSegment(index)) return AVERROR(EIO);
    for (;;) {
        const ssize_t got = ::pread(m_fd, data, part, off_t(inside));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return AVERROR(errno);
        // A segment that shrank since the list was opened ends the stream there.
        if (got == 0) return AVERROR_EOF;
        m_position += uint64_t(got);
        return int(got);
    }
}

int64_t ZRSegmentedInput::seek(int64_t offset, int whence) {
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return int64_t(m_size);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = int64_t(m_position);
    else if (whence == SEEK_END)
        base = int64_t(m_size);
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0) return AVERROR(EINVAL);
    m_position = uint64_t(base + offset);
    return int64_t(m_position);
}

} // namespace segments

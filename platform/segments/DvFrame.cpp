#include "platform/segments/DvFrame.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstring>

namespace segments {

namespace {

constexpr size_t kBlock = 80;
constexpr size_t kBlocksPerSequence = 150;
constexpr uint8_t kPackRecDate = 0x62;
constexpr uint8_t kPackRecTime = 0x63;

bool isVaux(const uint8_t* block) {
    return (block[0] >> 5) == 2;
}

int bcd(uint8_t v, uint8_t mask) {
    v &= mask;
    const int hi = v >> 4, lo = v & 0xF;
    return hi > 9 || lo > 9 ? -1 : hi * 10 + lo;
}

uint8_t toBcd(int v) {
    return uint8_t((v / 10) << 4 | (v % 10));
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int* y, int* m, int* d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = int(doy - (153 * mp + 2) / 5 + 1);
    *m = int(mp < 10 ? mp + 3 : mp - 9);
    *y = int(yoe + era * 400 + (*m <= 2));
}

// Where pack `id` lies in the frame's VAUX blocks, null when nowhere.
const uint8_t* findPack(std::span<const uint8_t> frame, uint8_t id) {
    for (size_t at = 0; at + kBlock <= frame.size(); at += kBlock) {
        const uint8_t* block = frame.data() + at;
        if (!isVaux(block)) continue;
        for (int p = 0; p < 15; ++p)
            if (block[3 + p * 5] == id) return block + 3 + p * 5;
    }
    return nullptr;
}

} // namespace

bool isDv525(std::span<const uint8_t> frame) {
    return frame.size() == kDvFrame525 && (frame[3] & 0x80) == 0;
}

std::optional<int64_t> dvRecordingTime(std::span<const uint8_t> frame) {
    if (!isWholeDvFrame(frame.size())) return std::nullopt;
    const uint8_t* date = findPack(frame, kPackRecDate);
    const uint8_t* time = findPack(frame, kPackRecTime);
    if (!date || !time) return std::nullopt;
    const int day = bcd(date[2], 0x3F), month = bcd(date[3], 0x1F), year = bcd(date[4], 0xFF);
    const int sec = bcd(time[2], 0x7F), min = bcd(time[3], 0x7F), hour = bcd(time[4], 0x3F);
    if (day < 1 || day > 31 || month < 1 || month > 12 || year < 0 || sec < 0 || sec > 59 ||
        min < 0 || min > 59 || hour < 0 || hour > 23)
        return std::nullopt;
    const int fullYear = year < 70 ? 2000 + year : 1900 + year;
    return daysFromCivil(fullYear, month, day) * 86400 + hour * 3600 + min * 60 + sec;
}

bool stampDvRecordingTime(std::span<uint8_t> frame, int64_t seconds) {
    if (!isWholeDvFrame(frame.size()) || seconds < 0) return false;
    int y = 0, m = 0, d = 0;
    civilFromDays(seconds / 86400, &y, &m, &d);
    const int64_t inDay = seconds % 86400;
    const uint8_t date[5] = {kPackRecDate, 0xFF, uint8_t(0xC0 | toBcd(d)), toBcd(m),
                             toBcd(y % 100)};
    const uint8_t time[5] = {kPackRecTime, 0xFF, toBcd(int(inDay % 60)),
                             toBcd(int(inDay / 60 % 60)), toBcd(int(inDay / 3600))};
    for (size_t at = 0; at + kBlock <= kBlocksPerSequence * kBlock; at += kBlock) {
        uint8_t* block = frame.data() + at;
        if (!isVaux(block)) continue;
        int dateSlot = -1, timeSlot = -1;
        for (int p = 0; p < 15; ++p) {
            const uint8_t id = block[3 + p * 5];
            if (id == kPackRecDate && dateSlot < 0) dateSlot = p;
            if (id == kPackRecTime && timeSlot < 0) timeSlot = p;
        }
        for (int p = 0; p < 15 && (dateSlot < 0 || timeSlot < 0); ++p) {
            if (block[3 + p * 5] != 0xFF || p == dateSlot || p == timeSlot) continue;
            (dateSlot < 0 ? dateSlot : timeSlot) = p;
        }
        if (dateSlot < 0 || timeSlot < 0) return false;
        std::memcpy(block + 3 + dateSlot * 5, date, 5);
        std::memcpy(block + 3 + timeSlot * 5, time, 5);
        return true;
    }
    return false;
}

namespace {

struct MemoryInput {
    std::span<const uint8_t> bytes;
    size_t at = 0;
};

int readMemory(void* opaque, uint8_t* buffer, int size) {
    auto* in = static_cast<MemoryInput*>(opaque);
    const size_t n = std::min(size_t(size), in->bytes.size() - in->at);
    if (n == 0) return AVERROR_EOF;
    std::memcpy(buffer, in->bytes.data() + in->at, n);
    in->at += n;
    return int(n);
}

int64_t seekMemory(void* opaque, int64_t offset, int whence) {
    auto* in = static_cast<MemoryInput*>(opaque);
    if (whence == AVSEEK_SIZE) return int64_t(in->bytes.size());
    whence &= ~AVSEEK_FORCE;
    const int64_t base = whence == SEEK_CUR   ? int64_t(in->at)
                         : whence == SEEK_END ? int64_t(in->bytes.size())
                                              : 0;
    const int64_t to = base + offset;
    if (to < 0 || to > int64_t(in->bytes.size())) return -1;
    in->at = size_t(to);
    return to;
}

} // namespace

DvAudioReader::Sound DvAudioReader::read(std::span<const uint8_t> frame) {
    Sound sound;
    if (!isWholeDvFrame(frame.size())) return sound;
    MemoryInput input{frame, 0};
    constexpr int kBufferSize = 32768;
    auto* buffer = static_cast<uint8_t*>(av_malloc(kBufferSize));
    if (!buffer) return sound;
    AVIOContext* io =
        avio_alloc_context(buffer, kBufferSize, 0, &input, readMemory, nullptr, seekMemory);
    if (!io) {
        av_free(buffer);
        return sound;
    }
    AVFormatContext* context = avformat_alloc_context();
    if (context) {
        context->pb = io;
        context->flags |= AVFMT_FLAG_CUSTOM_IO;
        // A fresh demuxer for each frame: it keeps no state between frames that a damaged
        // frame could leave behind, and costs far less than a frame's duration.
        if (avformat_open_input(&context, nullptr, av_find_input_format("dv"), nullptr) == 0) {
            AVPacket* packet = av_packet_alloc();
            while (packet && av_read_frame(context, packet) >= 0) {
                const AVStream* stream = context->streams[packet->stream_index];
                const AVCodecParameters* par = stream->codecpar;
                if (par->codec_type == AVMEDIA_TYPE_AUDIO &&
                    par->codec_id == AV_CODEC_ID_PCM_S16LE && par->ch_layout.nb_channels > 0) {
                    if (sound.rate == 0) {
                        sound.rate = par->sample_rate;
                        sound.channels = par->ch_layout.nb_channels;
                    }
                    // A second stereo pair (four-channel 32 kHz sound) is left out.
                    if (par->sample_rate == sound.rate &&
                        par->ch_layout.nb_channels == sound.channels && sound.samples.empty()) {
                        const auto* p = reinterpret_cast<const int16_t*>(packet->data);
                        sound.samples.assign(p, p + packet->size / 2);
                    }
                }
                av_packet_unref(packet);
            }
            av_packet_free(&packet);
            avformat_close_input(&context);
        }
        // A failed open has freed the context already.
    }
    av_freep(&io->buffer);
    avio_context_free(&io);
    if (sound.samples.empty()) sound.rate = sound.channels = 0;
    return sound;
}

} // namespace segments

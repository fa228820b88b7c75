#pragma once

#include "platform/segments/DvFrame.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <string>
#include <vector>

/// What a DV AVI file holds: its video frames and its sound, read back with libavformat.
namespace dvtest {

struct AviContents {
    bool opened = false;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<int16_t> samples;
};

inline AviContents readAvi(const std::string& path) {
    AviContents out;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return out;
    out.opened = avformat_find_stream_info(input, nullptr) >= 0;
    AVPacket* packet = av_packet_alloc();
    while (packet && av_read_frame(input, packet) >= 0) {
        const AVCodecParameters* par = input->streams[packet->stream_index]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO)
            out.frames.emplace_back(packet->data, packet->data + packet->size);
        if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
            const auto* p = reinterpret_cast<const int16_t*>(packet->data);
            out.samples.insert(out.samples.end(), p, p + packet->size / 2);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&input);
    return out;
}

/// The sound of `frames` as the writer stores it.
inline std::vector<int16_t> soundOf(const std::vector<std::vector<uint8_t>>& frames,
                                    size_t from = 0, size_t to = size_t(-1)) {
    segments::DvAudioReader reader;
    std::vector<int16_t> all;
    for (size_t i = from; i < frames.size() && i < to; ++i) {
        const auto sound = reader.read(frames[i]);
        all.insert(all.end(), sound.samples.begin(), sound.samples.end());
    }
    return all;
}

} // namespace dvtest

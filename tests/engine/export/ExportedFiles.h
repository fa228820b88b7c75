#pragma once

// What the export tests read back from the files an export wrote, and the module settings they
// write before it.

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/system/SystemPaths.h"
#include "tests/plugins/export/ModuleSettingsFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace exportedfiles {

/// Replaces group `group` of "tmp_modules.ini" in the state folder with `body`.
inline void writeSettings(const char* group, const char* body) {
    replaceGroup(platform::stateFolder() + "/tmp_modules.ini", group, body);
}

/// The video packets of `path` in file order.
inline std::vector<std::vector<uint8_t>> videoPackets(const std::string& path) {
    std::vector<std::vector<uint8_t>> packets;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return packets;
    platform::ffmpeg::InputHandle input(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return packets;
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    platform::ffmpeg::PacketHandle packet(av_packet_alloc());
    while (video >= 0 && av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == video)
            packets.emplace_back(packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    return packets;
}

/// The luma planes of every picture of `path`, in display order.
inline std::vector<std::vector<uint8_t>> lumaPlanes(const std::string& path) {
    std::vector<std::vector<uint8_t>> planes;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return planes;
    platform::ffmpeg::InputHandle input(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return planes;
    const AVCodec* codec = nullptr;
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (video < 0 || !codec) return planes;
    platform::ffmpeg::CodecContextHandle context(avcodec_alloc_context3(codec));
    if (avcodec_parameters_to_context(context.get(), raw->streams[video]->codecpar) < 0 ||
        avcodec_open2(context.get(), codec, nullptr) < 0)
        return planes;
    platform::ffmpeg::PacketHandle packet(av_packet_alloc());
    platform::ffmpeg::FrameHandle picture(av_frame_alloc());
    const auto drain = [&] {
        while (avcodec_receive_frame(context.get(), picture.get()) == 0) {
            std::vector<uint8_t> plane(size_t(picture->width) * size_t(picture->height));
            for (int y = 0; y < picture->height; ++y)
                std::copy_n(picture->data[0] + size_t(y) * size_t(picture->linesize[0]),
                            picture->width, plane.begin() + ptrdiff_t(y) * picture->width);
            planes.push_back(std::move(plane));
            av_frame_unref(picture.get());
        }
    };
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == video && avcodec_send_packet(context.get(), packet.get()) == 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    return planes;
}

} // namespace exportedfiles

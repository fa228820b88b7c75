#include "platform/cdwriter/MpegInfo.h"

#include "platform/ffmpeg/FFmpegHandles.h"

#include <QFileInfo>

namespace mpeginfo {

std::optional<MpegInfo> read(const QString& path) {
    // A FIFO or device named by a list would block the probe for ever.
    if (!QFileInfo(path).isFile()) return std::nullopt;
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, path.toLocal8Bit().constData(), nullptr, nullptr) < 0)
        return std::nullopt;
    platform::ffmpeg::InputHandle input(opened);
    if (avformat_find_stream_info(input.get(), nullptr) < 0) return std::nullopt;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return std::nullopt;
    const AVCodecParameters* video = input->streams[index]->codecpar;
    if (video->codec_id != AV_CODEC_ID_MPEG1VIDEO && video->codec_id != AV_CODEC_ID_MPEG2VIDEO)
        return std::nullopt;
    MpegInfo info;
    info.mpeg2 = video->codec_id == AV_CODEC_ID_MPEG2VIDEO;
    info.width = video->width;
    info.height = video->height;
    return info;
}

std::optional<VcdKind> vcdKindOf(const MpegInfo& info) {
    if (!info.mpeg2 && info.width == 352 && (info.height == 288 || info.height == 240))
        return VcdKind::Vcd;
    if (info.mpeg2 && info.width == 480 && (info.height == 576 || info.height == 480))
        return VcdKind::Svcd;
    return std::nullopt;
}

} // namespace mpeginfo

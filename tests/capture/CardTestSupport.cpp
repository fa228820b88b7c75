#include "tests/capture/CardTestSupport.h"

#include "platform/ffmpeg/FFmpegHandles.h"
#include "platform/v4l2/ZRV4l2SimDevice.h"

#include <vector>

namespace cardtest {

using namespace platform::ffmpeg;

namespace {

// Decodes every picture of the first video stream of `path`, handing each over as BGRA or as
// its luminance plane.
template <class Fn>
void decodePictures(const std::string& path, AVPixelFormat format, Fn&& take, double* videoSeconds,
                    double* audioSeconds, std::string* codecName, int* audioStreams = nullptr) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return;
    InputHandle input(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return;
    if (audioStreams)
        for (unsigned i = 0; i < raw->nb_streams; ++i)
            if (raw->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) ++*audioStreams;
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return;
    AVStream* vs = raw->streams[video];
    const AVCodec* codec = avcodec_find_decoder(vs->codecpar->codec_id);
    CodecContextHandle context(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(context.get(), vs->codecpar);
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return;
    if (codecName) *codecName = codec->name;
    PacketHandle packet(av_packet_alloc());
    FrameHandle frame(av_frame_alloc());
    SwsConversion convert;
    std::vector<uint8_t> pixels;
    int64_t audioSamples = 0;
    int audioRate = 0;
    int64_t videoFrames = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            const int w = frame->width, h = frame->height;
            const int bpp = format == AV_PIX_FMT_BGRA ? 4 : 1;
            pixels.assign(size_t(w) * size_t(h) * size_t(bpp), 0);
            if (!convert.update(w, h, AVPixelFormat(frame->format), w, h, format, SWS_POINT))
                continue;
            uint8_t* dst[4] = {pixels.data(), nullptr, nullptr, nullptr};
            const int stride[4] = {w * bpp, 0, 0, 0};
            sws_scale(convert.get(), frame->data, frame->linesize, 0, h, dst, stride);
            take(pixels.data(), w, h, w * bpp);
            ++videoFrames;
        }
    };
    while (av_read_frame(raw, packet.get()) >= 0) {
        if (packet->stream_index == video) {
            if (avcodec_send_packet(context.get(), packet.get()) >= 0) drain();
        } else if (raw->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            const AVCodecParameters* a = raw->streams[packet->stream_index]->codecpar;
            audioRate = a->sample_rate;
            const int frameBytes = a->ch_layout.nb_channels * a->bits_per_coded_sample / 8;
            if (frameBytes > 0) audioSamples += packet->size / frameBytes;
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    if (videoSeconds && vs->avg_frame_rate.num > 0)
        *videoSeconds = double(videoFrames) * vs->avg_frame_rate.den / vs->avg_frame_rate.num;
    if (audioSeconds && audioRate > 0) *audioSeconds = double(audioSamples) / audioRate;
}

} // namespace

AviContents readAvi(const std::string& path) {
    AviContents c;
    decodePictures(
        path, AV_PIX_FMT_BGRA,
        [&](const uint8_t* p, int w, int h, int stride) {
            c.frameNumbers.push_back(zrv4l2::SimDevice::frameNumberOfBgra(p, w, h, stride));
        },
        &c.videoSeconds, &c.audioSeconds, &c.videoCodec, &c.audioStreams);
    return c;
}

std::vector<int> barPositions(const std::vector<std::string>& files) {
    std::vector<int> positions;
    for (const std::string& f : files)
        decodePictures(
            f, AV_PIX_FMT_GRAY8,
            [&](const uint8_t* p, int w, int h, int stride) {
                const uint8_t* row = p + size_t(h / 2) * size_t(stride);
                int at = -1;
                for (int x = 0; x < w; ++x)
                    if (row[x] > 160) {
                        at = x;
                        break;
                    }
                positions.push_back(at);
            },
            nullptr, nullptr, nullptr);
    return positions;
}

} // namespace cardtest

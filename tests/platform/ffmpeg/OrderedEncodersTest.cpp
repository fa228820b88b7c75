#include "platform/ffmpeg/OrderedEncoders.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

using namespace platform::ffmpeg;

namespace {

// A small MPEG-2 stream under rate control that has to work: closed groups of 13 pictures, a
// maximum rate and a decoder buffer, as the disc profiles set them.
constexpr int kWidth = 352;
constexpr int kHeight = 288;
constexpr int kGroup = 13;
constexpr int kFrames = 10 * kGroup;
constexpr int64_t kMaxRate = 1300000;
constexpr int kBuffer = 112 * 1024 * 8;

CodecContextHandle openEncoder() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
    if (!codec) return nullptr;
    CodecContextHandle context(avcodec_alloc_context3(codec));
    AVCodecContext* c = context.get();
    c->width = kWidth;
    c->height = kHeight;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = {1, 25};
    c->framerate = {25, 1};
    c->gop_size = 15;
    c->max_b_frames = 2;
    c->bit_rate = 1000000;
    c->rc_max_rate = kMaxRate;
    c->rc_buffer_size = kBuffer;
    c->rc_initial_buffer_occupancy = kBuffer * 3 / 4;
    c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    av_opt_set_int(c->priv_data, "sc_threshold", 1000000000, 0);
    c->thread_count = 1;
    if (avcodec_open2(c, codec, nullptr) < 0) return nullptr;
    return context;
}

// Fine detail that drifts and changes, so that no picture is cheap.
uint8_t sample(int x, int y, int frame) {
    uint32_t h = uint32_t(x + frame * 3) * 2654435761u ^ uint32_t(y + frame) * 40503u;
    h ^= h >> 13;
    return uint8_t((h & 63) + ((x + y + frame * 2) & 127) + 32);
}

FrameHandle sourceFrame(int index) {
    FrameHandle frame(av_frame_alloc());
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = kWidth;
    frame->height = kHeight;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? kWidth / 2 : kWidth, h = plane ? kHeight / 2 : kHeight;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                frame->data[plane][y * frame->linesize[plane] + x] =
                    plane ? uint8_t(128 + ((x + index) & 15)) : sample(x, y, index);
    }
    frame->pts = index;
    return frame;
}

struct Packet {
    int64_t pts, dts;
    bool key;
    std::vector<uint8_t> bytes;
};

Packet copy(const AVPacket* p) {
    return {p->pts, p->dts, (p->flags & AV_PKT_FLAG_KEY) != 0,
            std::vector<uint8_t>(p->data, p->data + p->size)};
}

std::vector<Packet> encodeSingle() {
    std::vector<Packet> packets;
    CodecContextHandle context = openEncoder();
    PacketHandle packet(av_packet_alloc());
    for (int i = 0; i <= kFrames; ++i) {
        FrameHandle frame = i < kFrames ? sourceFrame(i) : nullptr;
        EXPECT_GE(avcodec_send_frame(context.get(), frame.get()), 0);
        while (avcodec_receive_packet(context.get(), packet.get()) == 0) {
            packets.push_back(copy(packet.get()));
            av_packet_unref(packet.get());
        }
    }
    return packets;
}

std::vector<Packet>
encodeRuns(int workers, int runFrames, int warmupFrames,
           OrderedEncoders::Contexts contexts = OrderedEncoders::Contexts::PerUnit,
           size_t queued = 0) {
    std::vector<Packet> packets;
    OrderedEncoders encoders(workers, runFrames, contexts, openEncoder,
                             queued ? queued : size_t(runFrames), {}, warmupFrames);
    const auto sink = [&](AVPacket* p) {
        packets.push_back(copy(p));
        return 0;
    };
    for (int i = 0; i < kFrames; ++i)
        EXPECT_EQ(encoders.send(sourceFrame(i), sink), 0);
    EXPECT_EQ(encoders.finish(sink), 0);
    return packets;
}

int64_t bits(const std::vector<Packet>& packets) {
    int64_t total = 0;
    for (const Packet& p : packets)
        total += int64_t(p.bytes.size()) * 8;
    return total;
}

// The lowest level of a decoder buffer of the stream's size, filled at the maximum rate from
// three quarters full, each picture leaving it at its decoding time; below 0 it ran dry.
double lowestBuffer(const std::vector<Packet>& packets) {
    double level = kBuffer * 0.75, lowest = level;
    int64_t last = packets.front().dts;
    for (const Packet& p : packets) {
        level = std::min<double>(kBuffer, level + double(kMaxRate) * double(p.dts - last) / 25.0);
        last = p.dts;
        level -= double(p.bytes.size()) * 8;
        lowest = std::min(lowest, level);
    }
    return lowest;
}

// Decodes the joined stream; the PSNR of the luma of each picture against its source, by pts.
// Counts the decoder's refusals in `errors`.
std::map<int64_t, double> decode(const std::vector<Packet>& packets, int* errors) {
    std::map<int64_t, double> psnr;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
    CodecContextHandle context(avcodec_alloc_context3(codec));
    context->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM;
    EXPECT_GE(avcodec_open2(context.get(), codec, nullptr), 0);
    PacketHandle packet(av_packet_alloc());
    FrameHandle picture(av_frame_alloc());
    const auto drain = [&] {
        while (avcodec_receive_frame(context.get(), picture.get()) == 0) {
            const FrameHandle source = sourceFrame(int(picture->pts));
            double error = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const double d = double(picture->data[0][y * picture->linesize[0] + x]) -
                                     double(source->data[0][y * source->linesize[0] + x]);
                    error += d * d;
                }
            error /= double(kWidth) * kHeight;
            psnr[picture->pts] = 10 * std::log10(255.0 * 255.0 / std::max(error, 1e-9));
            av_frame_unref(picture.get());
        }
    };
    for (const Packet& p : packets) {
        if (av_new_packet(packet.get(), int(p.bytes.size())) < 0) return psnr;
        std::copy(p.bytes.begin(), p.bytes.end(), packet->data);
        packet->pts = p.pts;
        packet->dts = p.dts;
        if (avcodec_send_packet(context.get(), packet.get()) < 0) ++*errors;
        av_packet_unref(packet.get());
        drain();
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    return psnr;
}

// The joined stream holds the single context's limits: the same pictures, timestamps and
// groups, an average rate within 5 %, a decoder buffer that never runs dry, no decoding error
// and, on either side of every join, pictures as good as the single context's.
void expectSingleContextsLimits(const std::vector<Packet>& joined, int run) {
    const std::vector<Packet> single = encodeSingle();
    ASSERT_EQ(single.size(), size_t(kFrames));
    ASSERT_EQ(joined.size(), size_t(kFrames));
    for (size_t i = 0; i < joined.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(joined[i].key, single[i].key);
        EXPECT_EQ(joined[i].pts, single[i].pts);
        EXPECT_EQ(joined[i].dts, single[i].dts);
        if (joined[i].pts % run == 0) {
            EXPECT_TRUE(joined[i].key);
        }
    }
    EXPECT_NEAR(double(bits(joined)) / double(bits(single)), 1.0, 0.05);
    EXPECT_GE(lowestBuffer(single), 0);
    EXPECT_GE(lowestBuffer(joined), 0);

    int errors = 0;
    const std::map<int64_t, double> singlePsnr = decode(single, &errors);
    const std::map<int64_t, double> joinedPsnr = decode(joined, &errors);
    EXPECT_EQ(errors, 0);
    ASSERT_EQ(joinedPsnr.size(), size_t(kFrames));
    ASSERT_EQ(singlePsnr.size(), size_t(kFrames));
    for (int64_t start = run; start < kFrames; start += run)
        for (int64_t i : {start - 1, start})
            EXPECT_GE(joinedPsnr.at(i), singlePsnr.at(i) - 1.0) << "picture " << i;
}

} // namespace

// Runs of closed groups of pictures, each on a context of its own that first encodes the last
// group of the run before (its packets dropped) and counts timestamps from its own first frame.
TEST(OrderedEncoders, RunsOfClosedGroupsHoldTheSingleContextsLimits) {
    if (!avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO)) GTEST_SKIP() << "no MPEG-2 encoder";
    expectSingleContextsLimits(encodeRuns(3, 2 * kGroup, kGroup), 2 * kGroup);
}

// Groups taken in turn by contexts that each see their groups as one stream, the second
// context warmed up on the first group; queues shorter than a group.
TEST(OrderedEncoders, StridedGroupsHoldTheSingleContextsLimits) {
    if (!avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO)) GTEST_SKIP() << "no MPEG-2 encoder";
    expectSingleContextsLimits(encodeRuns(2, kGroup, kGroup, OrderedEncoders::Contexts::Strided, 4),
                               kGroup);
    expectSingleContextsLimits(encodeRuns(3, kGroup, kGroup, OrderedEncoders::Contexts::Strided, 4),
                               kGroup);
}

// Which worker encodes a run does not change its bytes: every run's context sees the same
// frames, whatever the number of workers and however their threads are scheduled.
TEST(OrderedEncoders, RunsDoNotDependOnTheWorkers) {
    if (!avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO)) GTEST_SKIP() << "no MPEG-2 encoder";
    const std::vector<Packet> one = encodeRuns(1, 2 * kGroup, kGroup);
    const std::vector<Packet> four = encodeRuns(4, 2 * kGroup, kGroup);
    ASSERT_EQ(one.size(), four.size());
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(one[i].pts, four[i].pts);
        EXPECT_TRUE(one[i].bytes == four[i].bytes) << "packet " << i;
    }
}

// Strided groups are encoded alike however the workers' threads are scheduled, and a stream
// shorter than the warm-up (one group) comes out whole.
TEST(OrderedEncoders, StridedGroupsDoNotDependOnScheduling) {
    if (!avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO)) GTEST_SKIP() << "no MPEG-2 encoder";
    const auto strided = OrderedEncoders::Contexts::Strided;
    const std::vector<Packet> first = encodeRuns(2, kGroup, kGroup, strided, 1);
    const std::vector<Packet> second = encodeRuns(2, kGroup, kGroup, strided, 13);
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_TRUE(first[i].bytes == second[i].bytes) << "packet " << i;

    std::vector<Packet> packets;
    OrderedEncoders encoders(2, kGroup, strided, openEncoder, 4, {}, kGroup);
    const auto sink = [&](AVPacket* p) {
        packets.push_back(copy(p));
        return 0;
    };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(encoders.send(sourceFrame(i), sink), 0);
    EXPECT_EQ(encoders.finish(sink), 0);
    ASSERT_EQ(packets.size(), 5u);
    for (size_t i = 0; i < packets.size(); ++i)
        EXPECT_EQ(packets[i].dts, int64_t(i) - 1);
}

// Frames the encoders are done with are kept for the producer only once it takes them back: one
// that makes each frame anew (as the MPEG writer does) leaves none of them alive, while one that
// asks gets them back to fill again.
TEST(OrderedEncoders, KeepsDoneFramesOnlyForAProducerThatTakesThemBack) {
    if (!avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO)) GTEST_SKIP() << "no MPEG-2 encoder";
    for (const bool takesBack : {false, true}) {
        OrderedEncoders encoders(2, kGroup, OrderedEncoders::Contexts::Strided, openEncoder, 4, {},
                                 kGroup);
        if (takesBack) {
            EXPECT_EQ(encoders.spare(), nullptr);
        }
        const auto sink = [](AVPacket*) { return 0; };
        std::vector<AVBufferRef*> sent;
        for (int i = 0; i < 2 * kGroup; ++i) {
            FrameHandle frame = sourceFrame(i);
            sent.push_back(av_buffer_ref(frame->buf[0]));
            EXPECT_EQ(encoders.send(std::move(frame), sink), 0);
        }
        EXPECT_EQ(encoders.finish(sink), 0);
        int alive = 0;
        for (AVBufferRef*& buffer : sent) {
            alive += av_buffer_get_ref_count(buffer) > 1 ? 1 : 0;
            av_buffer_unref(&buffer);
        }
        if (takesBack) {
            EXPECT_GT(alive, 0);
            EXPECT_LE(alive, 2 * 4);
            EXPECT_NE(encoders.spare(), nullptr);
        } else {
            EXPECT_EQ(alive, 0) << "frames kept alive for a producer that never takes them";
        }
    }
}

#include "platform/dvcodec/DVDecoder.h"

#include "platform/ffmpeg/FFmpegHandles.h"

namespace platform {

using namespace ffmpeg;

namespace {

constexpr size_t kBlockSize = 80;
constexpr size_t kBlocksPerSequence = 150;
constexpr size_t kSequenceSize = kBlockSize * kBlocksPerSequence;

// Section type of each block of a DIF sequence: the header, two subcode blocks, three video
// auxiliary blocks, then nine rows of one audio block followed by fifteen video blocks.
enum SectionType : unsigned { Header = 0, Subcode = 1, VideoAux = 2, Audio = 3, Video = 4 };

constexpr SectionType sectionOf(size_t block) {
    if (block == 0) return Header;
    if (block < 3) return Subcode;
    if (block < 6) return VideoAux;
    return (block - 6) % 16 == 0 ? Audio : Video;
}

} // namespace

bool dvFrameLayoutValid(std::span<const unsigned char> frame) {
    if (frame.size() != kDVFrameSizePAL && frame.size() != kDVFrameSizeNTSC) return false;
    const bool pal = frame.size() == kDVFrameSizePAL;
    // The header block's system flag: set for 625 lines, clear for 525.
    if (bool(frame[3] & 0x80) != pal) return false;
    const size_t sequences = frame.size() / kSequenceSize;
    for (size_t sequence = 0; sequence < sequences; ++sequence) {
        for (size_t block = 0; block < kBlocksPerSequence; ++block) {
            const unsigned char* id = frame.data() + sequence * kSequenceSize + block * kBlockSize;
            if (unsigned(id[0] >> 5) != sectionOf(block) || size_t(id[1] >> 4) != sequence)
                return false;
        }
    }
    return true;
}

// The decoder finds the system in each frame itself; one conversion per system is kept
// because its source format differs (4:2:0 for 625 lines, 4:1:1 for 525).
struct DVDecoder::State {
    CodecContextHandle codec;
    FrameHandle picture;
    PacketHandle packet;
    std::array<SwsConversion, 2> convert;
};

DVDecoder::DVDecoder() = default;
DVDecoder::~DVDecoder() = default;

DVStatus DVDecoder::decode(std::span<const unsigned char> frame, unsigned char* pixels, int stride,
                           int width, int height) {
    const size_t frameSize = dvFrameSize(width, height);
    if (frameSize == 0) return DVStatus::UnsupportedSize;
    if (!pixels || stride < width * 4) return DVStatus::InvalidPicture;
    if (frame.size() != frameSize) return DVStatus::WrongFrameSize;
    if (!dvFrameLayoutValid(frame)) return DVStatus::CorruptFrame;

    if (!m_state) {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
        if (!codec) return DVStatus::CodecFailure;
        auto made = std::make_unique<State>();
        made->codec.reset(avcodec_alloc_context3(codec));
        made->picture.reset(av_frame_alloc());
        made->packet.reset(av_packet_alloc());
        if (!made->codec || !made->picture || !made->packet ||
            avcodec_open2(made->codec.get(), codec, nullptr) < 0)
            return DVStatus::CodecFailure;
        m_state = std::move(made);
    }

    AVCodecContext* codec = m_state->codec.get();
    AVFrame* picture = m_state->picture.get();
    AVPacket* packet = m_state->packet.get();
    // The packet does not own the caller's bytes: sending it makes the decoder take a padded
    // copy, as its bit reader expects.
    packet->data = const_cast<uint8_t*>(frame.data());
    packet->size = int(frame.size());
    const int sent = avcodec_send_packet(codec, packet);
    packet->data = nullptr;
    packet->size = 0;
    if (sent < 0 || avcodec_receive_frame(codec, picture) < 0) {
        avcodec_flush_buffers(codec);
        return DVStatus::CorruptFrame;
    }

    DVStatus status = DVStatus::Ok;
    const AVPixelFormat format = AVPixelFormat(picture->format);
    SwsConversion& convert = m_state->convert[height == kDVHeightPAL ? 0 : 1];
    if (picture->width != width || picture->height != height || !picture->data[0]) {
        status = DVStatus::CorruptFrame;
    } else if (!convert.update(width, height, format, width, height, AV_PIX_FMT_BGRA,
                               SWS_BICUBIC)) {
        status = DVStatus::CodecFailure;
    } else {
        uint8_t* const destinationPlanes[4] = {pixels, nullptr, nullptr, nullptr};
        const int destinationStrides[4] = {stride, 0, 0, 0};
        if (sws_scale(convert.get(), picture->data, picture->linesize, 0, height, destinationPlanes,
                      destinationStrides) != height)
            status = DVStatus::CodecFailure;
    }
    av_frame_unref(picture);
    return status;
}

} // namespace platform

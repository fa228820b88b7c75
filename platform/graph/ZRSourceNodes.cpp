#include "platform/graph/ZRSourceNodes.h"

#include <QFileInfo>

#include <chrono>
#include <fstream>

namespace {

bool isRegularFile(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile();
}

/// Opens `path` (or the list's byte stream) with libavformat; null when it does not open.
std::unique_ptr<ZRDemuxInput> openInput(const std::string& path, bool list) {
    auto input = std::make_unique<ZRDemuxInput>();
    const AVInputFormat* format = nullptr;
    if (list) {
        std::string error;
        input->list = segments::ZRSegmentedInput::open(path, &error);
        if (!input->list) return nullptr;
        format = av_find_input_format(input->list->formatName());
        if (!format) return nullptr;
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context) return nullptr;
    if (input->list) context->pb = input->list->context();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "pattern_type", "none", 0);
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    if (input->list) av_dict_set(&options, "safe", "0", 0);
    const std::string url = "file:" + path;
    const int opened = avformat_open_input(&context, url.c_str(), format, &options);
    av_dict_free(&options);
    if (opened < 0) return nullptr; // the context is freed by the failed open
    input->context.reset(context);
    if (avformat_find_stream_info(context, nullptr) < 0) return nullptr;
    return input;
}

} // namespace

ZRFileReaderNode::ZRFileReaderNode(std::string kind, bool lists)
    : ZRGraphNode(std::move(kind)), m_lists(lists) {
    addPin(ZRGraphPin::Direction::Output, "Output", {kZRStreamProgram, {}});
}

ZRGraphResult ZRFileReaderNode::load(const std::string& path) {
    if (path.empty()) return kZRGraphInvalidArg;
    if (!isRegularFile(path)) return kZRGraphFail;
    if (m_lists != segments::ZRSegmentedInput::isList(path)) return kZRGraphFail;
    m_path = path;
    return kZRGraphOk;
}

std::unique_ptr<ZRDemuxInput> ZRFileReaderNode::openDemuxer() const {
    if (m_path.empty()) return nullptr;
    return openInput(m_path, m_lists);
}

ZRSplitterNode::ZRSplitterNode(std::string kind) : ZRGraphNode(std::move(kind)) {
    addPin(ZRGraphPin::Direction::Input, "Input", {kZRStreamProgram, {}});
}

ZRSplitterNode::~ZRSplitterNode() {
    (void)onStop();
}

ZRGraphResult ZRSplitterNode::checkConnect(ZRGraphPin* own, const ZRMediaType& type) {
    if (!own->isInput()) return kZRGraphOk;
    if (!own->mediaType().accepts(type)) return kZRGraphTypeNotAccepted;
    return kZRGraphOk;
}

void ZRSplitterNode::connected(ZRGraphPin* own) {
    if (!own->isInput()) return;
    auto* reader = own->peer()->node()->as<IZRByteSource>();
    m_input = reader ? reader->openDemuxer() : nullptr;
    if (!m_input) return;
    AVFormatContext* context = m_input->context.get();
    m_videoStream = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    m_audioStream = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_videoStream >= 0) {
        const AVCodecParameters* p = context->streams[m_videoStream]->codecpar;
        ZRMediaType type{kZRStreamVideo, avcodec_get_name(p->codec_id)};
        type.width = p->width;
        type.height = p->height;
        type.bitRate = p->bit_rate;
        addPin(ZRGraphPin::Direction::Output, "Video", type);
    }
    if (m_audioStream >= 0) {
        const AVCodecParameters* p = context->streams[m_audioStream]->codecpar;
        ZRMediaType type{kZRStreamAudio, avcodec_get_name(p->codec_id)};
        type.sampleRate = p->sample_rate;
        type.channels = p->ch_layout.nb_channels;
        type.bitRate = p->bit_rate;
        addPin(ZRGraphPin::Direction::Output, "Audio", type);
    }
}

void ZRSplitterNode::disconnected(ZRGraphPin* own) {
    if (!own->isInput()) return;
    // The outputs go with the input: disconnected first by whoever breaks the input.
    for (const char* name : {"Video", "Audio"})
        if (ZRGraphPin* pin = findPin(name); pin && !pin->isConnected()) removePin(pin);
    m_input.reset();
    m_videoStream = m_audioStream = -1;
}

ZRGraphResult ZRSplitterNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    if (!m_input) return inputPin(0)->isConnected() ? kZRGraphFail : kZRGraphOk;
    AVFormatContext* context = m_input->context.get();
    if (av_seek_frame(context, -1, context->start_time == AV_NOPTS_VALUE ? 0 : context->start_time,
                      AVSEEK_FLAG_BACKWARD) < 0)
        avformat_seek_file(context, -1, INT64_MIN, 0, INT64_MAX, 0);
    m_quit.store(false);
    for (int i = 0; i < 2; ++i) {
        m_queues[i].reopen();
        m_deliverThreads[i] = std::thread([this, i] { deliverLoop(i); });
    }
    m_thread = std::thread([this] { readLoop(); });
    return kZRGraphOk;
}

void ZRSplitterNode::beginStop() {
    m_quit.store(true);
    for (ZRSampleQueue& q : m_queues)
        q.close();
}

ZRGraphResult ZRSplitterNode::onStop() {
    beginStop();
    if (m_thread.joinable()) m_thread.join();
    for (std::thread& t : m_deliverThreads)
        if (t.joinable()) t.join();
    return kZRGraphOk;
}

void ZRSplitterNode::deliverLoop(int output) {
    ZRGraphPin* pin = findPin(output == 0 ? "Video" : "Audio");
    while (auto item = m_queues[output].pop()) {
        if (!pin) continue;
        if (item->endOfStream) {
            deliverEndOfStream(pin);
            continue;
        }
        deliver(pin, item->sample);
    }
}

void ZRSplitterNode::readLoop() {
    AVFormatContext* context = m_input->context.get();
    platform::ffmpeg::PacketHandle packet(av_packet_alloc());
    ZRGraphPin* video = findPin("Video");
    ZRGraphPin* audio = findPin("Audio");
    const int64_t start = context->start_time == AV_NOPTS_VALUE ? 0 : context->start_time;
    bool first = true;
    while (packet && !m_quit.load() && av_read_frame(context, packet.get()) >= 0) {
        const int queue = packet->stream_index == m_videoStream   ? 0
                          : packet->stream_index == m_audioStream ? 1
                                                                  : -1;
        ZRGraphPin* pin = queue == 0 ? video : queue == 1 ? audio : nullptr;
        if (pin) {
            const AVStream* stream = context->streams[packet->stream_index];
            ZRMediaSample sample = ZRMediaSample::fromBytes(
                std::vector<uint8_t>(packet->data, packet->data + packet->size));
            const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (pts != AV_NOPTS_VALUE)
                sample.time = av_rescale_q(pts, stream->time_base, AVRational{1, 10000000}) -
                              av_rescale_q(start, AV_TIME_BASE_Q, AVRational{1, 10000000});
            sample.discontinuity = first;
            first = false;
            if (!m_queues[queue].push({std::move(sample), false})) break;
        }
        av_packet_unref(packet.get());
    }
    if (m_quit.load()) return;
    if (video) (void)m_queues[0].push({{}, true});
    if (audio) (void)m_queues[1].push({{}, true});
}

ZRDVFileSourceNode::ZRDVFileSourceNode(std::string path, int64_t frames)
    : ZRGraphNode("DV File Source"), m_path(std::move(path)), m_frames(frames) {
    addPin(ZRGraphPin::Direction::Output, "DV A/V Out", {kZRStreamInterleavedDV, "dvvideo"});
    std::ifstream in(m_path, std::ios::binary);
    uint8_t header[4] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return;
    // The DSF bit of the header block tells 625/50 from 525/60.
    m_pal = (header[3] & 0x80) != 0;
    const size_t size = m_pal ? 144000 : 120000;
    in.seekg(0, std::ios::end);
    if (size_t(in.tellg()) >= size) m_frameSize = size;
}

ZRDVFileSourceNode::~ZRDVFileSourceNode() {
    (void)onStop();
}

ZRGraphResult ZRDVFileSourceNode::queryState() const {
    return state() == ZRGraphState::Paused ? kZRGraphCantCue : kZRGraphOk;
}

ZRGraphResult ZRDVFileSourceNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    if (!m_frameSize) return kZRGraphFail;
    m_quit.store(false);
    m_sent.store(0);
    m_thread = std::thread([this] { pushLoop(); });
    return kZRGraphOk;
}

ZRGraphResult ZRDVFileSourceNode::onStop() {
    m_quit.store(true);
    if (m_thread.joinable()) m_thread.join();
    return kZRGraphOk;
}

void ZRDVFileSourceNode::pushLoop() {
    std::ifstream in(m_path, std::ios::binary);
    const ZRMediaTime frameTime = m_pal ? 400000 : 333667;
    ZRGraphPin* out = outputPin(0);
    for (int64_t n = 0; n < m_frames && !m_quit.load(); ++n) {
        std::vector<uint8_t> frame(m_frameSize);
        if (!in.read(reinterpret_cast<char*>(frame.data()), std::streamsize(m_frameSize))) {
            in.clear();
            in.seekg(0);
            if (!in.read(reinterpret_cast<char*>(frame.data()), std::streamsize(m_frameSize)))
                break;
        }
        const ZRMediaTime due = n * frameTime;
        // Live: nothing before its time, and nothing while paused (stream time stands).
        while (!m_quit.load() && (state() != ZRGraphState::Running || streamTime() < due))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (m_quit.load()) return;
        ZRMediaSample sample = ZRMediaSample::fromBytes(std::move(frame), due);
        sample.duration = frameTime;
        sample.sequence = n;
        sample.discontinuity = n == 0;
        deliver(out, sample);
        m_sent.fetch_add(1);
    }
    if (!m_quit.load()) deliverEndOfStream(out);
}

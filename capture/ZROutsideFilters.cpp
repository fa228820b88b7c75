#include "capture/ZROutsideFilters.h"

#include "platform/graph/ZRAviMuxNode.h"
#include "platform/graph/ZRDVMuxNode.h"
#include "platform/graph/ZRDVSplitNode.h"
#include "platform/graph/ZRDecoderNode.h"
#include "platform/graph/ZRDumpNode.h"
#include "platform/graph/ZRMpeg2DemuxNode.h"
#include "platform/graph/ZRRendererNodes.h"
#include "platform/graph/ZRSceneSplitWriterNode.h"
#include "platform/graph/ZRSourceNodes.h"
#include "platform/graph/ZRTeeNodes.h"
#include "platform/v4l2/ZRAsyncPullerNode.h"
#include "platform/v4l2/ZRCldvrSplitterNode.h"
#include "platform/v4l2/ZRLpcmRemuxNodes.h"
#include "platform/v4l2/ZRMvlWriterNode.h"
#include "platform/v4l2/ZRYuyvPreviewNode.h"

#include <QFileInfo>
#include <QSet>

#include <mutex>

namespace zroutsidefilters {

namespace {

template <class Node, class... Args>
std::function<std::unique_ptr<ZRGraphNode>()> maker(Args... args) {
    return [=] { return std::unique_ptr<ZRGraphNode>(new Node(args...)); };
}

std::function<std::unique_ptr<ZRGraphNode>()> decoder(const char* kind, AVCodecID codec,
                                                      const char* major, const char* subtype) {
    return [=] {
        return std::unique_ptr<ZRGraphNode>(new ZRDecoderNode(kind, codec, {major, subtype}));
    };
}

struct Standard {
    const char* clsid;
    std::function<std::unique_ptr<ZRGraphNode>()> make;
};

const std::vector<Standard>& standards() {
    static const std::vector<Standard> table = {
        {kClsidSmartTee, maker<ZRSmartTeeNode>()},
        {kClsidInfTee, maker<ZRInfTeeNode>()},
        {kClsidMpeg2Demultiplexer, maker<ZRMpeg2DemuxNode>()},
        {kClsidVideoRenderer, maker<ZRVideoRendererNode>()},
        {kClsidAudioRenderer, [] { return std::unique_ptr<ZRGraphNode>(new ZRAudioRendererNode); }},
        {kClsidAsyncFileReader, maker<ZRFileReaderNode>(std::string("Async File Reader"), false)},
        {kClsidAviSplitter, maker<ZRSplitterNode>(std::string("AVI Splitter"))},
        {kClsidDVMux, maker<ZRDVMuxNode>()},
        {kClsidAviMux, maker<ZRAviMuxNode>()},
        {kClsidDVSplitter, maker<ZRDVSplitNode>()},
        {kClsidDVVideoDecoder, decoder("DV Video Decoder", AV_CODEC_ID_DVVIDEO, "", "dvvideo")},
        {kClsidAcmWrapper, maker<ZRAcmWrapperNode>()},
    };
    return table;
}

std::mutex g_installedMutex;
QSet<QString> g_notInstalled;

bool installed(const char* clsid) {
    std::lock_guard lock(g_installedMutex);
    return !g_notInstalled.contains(QString::fromLatin1(clsid).toUpper());
}

} // namespace

void setInstalled(const QString& clsid, bool on) {
    std::lock_guard lock(g_installedMutex);
    if (on)
        g_notInstalled.remove(clsid.toUpper());
    else
        g_notInstalled.insert(clsid.toUpper());
}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        {kFileEngineMpegSplitter, kClsidEngineMpegSplitter, "ZR MPEG Splitter",
         maker<ZRSplitterNode>(std::string("MPEG Splitter"))},
        {kFileEngineMpegDecoders, kClsidEngineMpegVideoDecoder, "ZR MPEG Video Decoder",
         decoder("MPEG Video Decoder", AV_CODEC_ID_MPEG2VIDEO, kZRStreamVideo, "")},
        {kFileEngineMpegDecoders, kClsidEngineMpegAudioDecoder, "ZR MPEG Audio Decoder",
         decoder("MPEG Audio Decoder", AV_CODEC_ID_MP2, kZRStreamAudio, "")},
        {kFileEngineDVDecoder, kClsidEngineDVVideoDecoder, "Veltrane DV Video Decoder",
         decoder("DV Video Decoder", AV_CODEC_ID_DVVIDEO, "", "dvvideo")},
        {kFileEngineMultiFileReader, kClsidEngineMultiFileReader, "ZR MultiFile Reader",
         maker<ZRFileReaderNode>(std::string("MultiFile Reader"), true)},
        {kFileDump, kClsidDump, "Dump", maker<ZRDumpNode>()},
        {nullptr, kClsidMakerMvlReader, "Orvand MVL MultiFile Reader",
         maker<ZRFileReaderNode>(std::string("MVL MultiFile Reader"), true)},
        {nullptr, kClsidMakerOvlReader, "Orvand OVL MultiFile Reader",
         maker<ZRFileReaderNode>(std::string("OVL MultiFile Reader"), true)},
        {nullptr, kClsidMakerMpegSplitter, "Orvand MPEG Splitter",
         maker<ZRSplitterNode>(std::string("MPEG Splitter"))},
        {kFileEngineMultiFileWriter, kClsidEngineSceneSplitWriter,
         "ZR DV SceneSplit MultiFile Writer", maker<ZRSceneSplitWriterNode>()},
        {nullptr, kClsidMakerMvlWriter, "Orvand MVL MultiFile Writer", maker<ZRMvlWriterNode>()},
        {nullptr, kClsidMvlMultiFileWriter, "Orvand MVL MultiFile Writer",
         maker<ZRMvlWriterNode>()},
        {nullptr, kClsidMvlIntelliWriter, "Orvand MVL MultiFile Intelli-Writer",
         maker<ZRMvlIntelliWriterNode>()},
        {nullptr, kClsidVideoPreviewConverter, "Video Preview Converter",
         maker<ZRYuyvPreviewNode>()},
        {nullptr, kClsidCldvrSplitter, "CLDVR Splitter", maker<ZRCldvrSplitterNode>()},
        {nullptr, kClsidAsyncPuller, "Orvand Async Puller", maker<ZRAsyncPullerNode>()},
        {nullptr, kClsidXFormDeadCafe, "Marrack XFormDeadCafe", maker<ZRXFormDeadCafeNode>()},
        {nullptr, kClsidMarrackMuxer, "Marrack Muxer", maker<ZRMarrackMuxerNode>()},
    };
    return table;
}

std::unique_ptr<ZRGraphNode> makeFromFile(const QString& file, const QString& clsid) {
    const QString name = QFileInfo(file).fileName();
    for (const Row& row : rows())
        if (row.file && name.compare(QLatin1String(row.file), Qt::CaseInsensitive) == 0 &&
            clsid.compare(QLatin1String(row.clsid), Qt::CaseInsensitive) == 0)
            return row.make();
    return nullptr;
}

std::unique_ptr<ZRGraphNode> makeFromClsid(const QString& clsid) {
    for (const Row& row : rows())
        if (!row.file && clsid.compare(QLatin1String(row.clsid), Qt::CaseInsensitive) == 0)
            return installed(row.clsid) ? row.make() : nullptr;
    for (const Standard& s : standards())
        if (clsid == QLatin1String(s.clsid)) return s.make();
    return nullptr;
}

} // namespace zroutsidefilters

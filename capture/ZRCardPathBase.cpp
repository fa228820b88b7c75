#include "capture/ZRCardPathBase.h"

#include "capture/ZRDeviceNames.h"
#include "platform/v4l2/ZRLivePreviewNode.h"
#include "platform/v4l2/ZRV4l2CaptureNode.h"

#include <cerrno>

ZRCardPathBase::ZRCardPathBase(ZRGraphBase* graph, const char* name)
    : ZRFilterPathBase(graph, name) {}

bool ZRCardPathBase::runPath(long capture, long preview) {
    return zrGraphSucceeded(stream(int(capture), int(preview)));
}

bool ZRCardPathBase::setAVPropName(long code, const QString& name) {
    return code == zravprop::kTVFormat && !name.isEmpty() && setProperty(code, 0, name);
}

bool ZRCardPathBase::frameCounts(long* captured, long* dropped) const {
    ZRV4l2CaptureNode* node = deviceNode();
    // An encoder's stream is read in runs, not frames: it has no frame count to give.
    if (!node || node->isMpeg() || !captured || !dropped) return false;
    *captured = long(node->framesNotDropped());
    *dropped = long(node->framesDropped());
    return true;
}

int ZRCardPathBase::stopReasonOf(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return 2;
    case EFBIG:
        return 3;
    default:
        return 0;
    }
}

ZRV4l2CaptureNode* ZRCardPathBase::deviceNode() const {
    return interfaceOf<ZRV4l2CaptureNode>(m_captureDevice);
}

std::vector<uint32_t> ZRCardPathBase::tvFormats() const {
    std::vector<uint32_t> list;
    ZRV4l2CaptureNode* node = deviceNode();
    if (!node) return list;
    // The standard's family: NTSC for 1, PAL and SECAM otherwise.
    const uint32_t family = tvStandard() == 1 ? 0x7 : 0x1fffb0;
    const uint32_t offered = node->availableTVFormats() & family;
    for (uint32_t bit = 1; bit && bit <= 0x100000; bit <<= 1)
        if (offered & bit) list.push_back(bit);
    return list;
}

QStringList ZRCardPathBase::tvFormatNames(int* current) const {
    QStringList names;
    if (current) *current = -1;
    const std::vector<uint32_t> formats = tvFormats();
    const uint32_t now = deviceNode() ? deviceNode()->tvFormat() : 0;
    for (size_t i = 0; i < formats.size(); ++i) {
        names << zrdevicenames::videoStandardName(long(formats[i]));
        if (formats[i] == now && current) *current = int(i);
    }
    return names;
}

bool ZRCardPathBase::readProcAmp(int property, ZRAVProp* out) const {
    ZRV4l2CaptureNode* node = deviceNode();
    int32_t low = 0, high = 0, step = 0, def = 0, value = 0;
    if (!node || !node->range(property, &low, &high, &step, &def) || !node->value(property, &value))
        return false;
    out->value = value;
    out->low = low;
    out->high = high;
    return true;
}

bool ZRCardPathBase::writeProcAmp(int property, long value) {
    ZRV4l2CaptureNode* node = deviceNode();
    return node && zrGraphSucceeded(result(node->setValue(property, int32_t(value))));
}

bool ZRCardPathBase::readTVFormats(ZRAVProp* out) const {
    if (!deviceNode()) return false;
    int current = -1;
    out->names = tvFormatNames(&current);
    out->value = current;
    out->high = 0;
    return true;
}

bool ZRCardPathBase::writeTVFormat(long index, const QString& name) {
    ZRV4l2CaptureNode* node = deviceNode();
    if (!node) return false;
    const std::vector<uint32_t> formats = tvFormats();
    long at = index;
    if (!name.isEmpty()) {
        at = -1;
        for (size_t i = 0; i < formats.size(); ++i)
            if (zrdevicenames::videoStandardName(long(formats[i])) == name) at = long(i);
    }
    if (at < 0 || size_t(at) >= formats.size()) return false;
    return zrGraphSucceeded(result(node->setTVFormat(formats[size_t(at)])));
}

// The pictures of a live stream are shown as they come: a renderer keeping a clock of its own
// would wait on it and hold the stream (and with it the writer or the device) back.
void zrConnectLiveDecoders(ZRGraphBase* g, ZRGraphNode* demux, ZRGraphBase::Filter videoDecoder,
                           ZRGraphBase::Filter videoRenderer, ZRGraphBase::Filter audioDecoder,
                           ZRGraphBase::Filter audioRenderer, ZRGraphBase::Filter* live) {
    ZRGraphNode* vDecoder = g->node(videoDecoder);
    ZRGraphNode* vRenderer = g->node(videoRenderer);
    if (demux && vDecoder && vRenderer) {
        (void)g->connectPins(demux->findPin("Video"), vDecoder->inputPin(0));
        (void)g->addFilter(std::make_unique<ZRLivePreviewNode>(), QStringLiteral("Live Preview"),
                           live);
        if (ZRGraphNode* preview = g->node(*live)) {
            (void)g->connectPins(vDecoder->outputPin(0), preview->inputPin(0));
            (void)g->connectPins(preview->outputPin(0), vRenderer->inputPin(0));
        }
    }
    ZRGraphNode* aDecoder = g->node(audioDecoder);
    ZRGraphNode* aRenderer = g->node(audioRenderer);
    if (demux && aDecoder && aRenderer && demux->findPin("Audio")) {
        (void)g->connectPins(demux->findPin("Audio"), aDecoder->inputPin(0));
        (void)g->connectPins(aDecoder->outputPin(0), aRenderer->inputPin(0));
    }
}

#include "platform/v4l2/ZRMvlWriterNode.h"

#include <QDebug>

ZRMvlWriterNode::ZRMvlWriterNode() : ZRMvlWriterNode("MVL MultiFile Writer") {}

ZRMvlWriterNode::ZRMvlWriterNode(std::string kind) : ZRGraphNode(std::move(kind)) {
    addPin(ZRGraphPin::Direction::Input, "Input", {kZRStreamProgram, {}});
}

ZRMvlWriterNode::~ZRMvlWriterNode() {
    std::lock_guard lock(m_mutex);
    if (m_writer) (void)m_writer->close();
}

ZRGraphResult ZRMvlWriterNode::setFileName(const std::string& path) {
    if (path.empty()) return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    m_path = path;
    return kZRGraphOk;
}

std::string ZRMvlWriterNode::fileName() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

ZRGraphResult ZRMvlWriterNode::setSplitLimit(int64_t kilobytes) {
    std::lock_guard lock(m_mutex);
    m_limit = segments::ZRMpegSegmentWriter::clampLimit(kilobytes);
    return kZRGraphOk;
}

int64_t ZRMvlWriterNode::splitLimit() const {
    std::lock_guard lock(m_mutex);
    return m_limit;
}

void ZRMvlWriterNode::setWriteFunction(segments::ZRMpegSegmentWriter::WriteFn write) {
    std::lock_guard lock(m_mutex);
    m_write = std::move(write);
}

int64_t ZRMvlWriterNode::packsWritten() const {
    std::lock_guard lock(m_mutex);
    return m_writer ? m_writer->packsWritten() : m_packs;
}

std::vector<std::string> ZRMvlWriterNode::segmentFiles() const {
    std::lock_guard lock(m_mutex);
    return m_writer ? m_writer->segments() : m_segments;
}

std::string ZRMvlWriterNode::lastError() const {
    std::lock_guard lock(m_mutex);
    return m_writer ? m_writer->error() : m_error;
}

int ZRMvlWriterNode::lastErrorNumber() const {
    std::lock_guard lock(m_mutex);
    return m_writer ? m_writer->errorNumber() : m_errno;
}

ZRGraphResult ZRMvlWriterNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    m_writer.reset();
    m_error.clear();
    m_errno = 0;
    if (m_path.empty()) return kZRGraphOk;
    m_writer = std::make_unique<segments::ZRMpegSegmentWriter>(m_write);
    if (!m_writer->open(m_path, m_limit)) return kZRGraphFail;
    openedLocked(*m_writer);
    return kZRGraphOk;
}

ZRGraphResult ZRMvlWriterNode::onStop() {
    std::lock_guard lock(m_mutex);
    if (!m_writer) return kZRGraphOk;
    const bool wasFailed = m_writer->failed();
    const bool ok = m_writer->close();
    m_segments = m_writer->segments();
    m_packs = m_writer->packsWritten();
    m_error = m_writer->error();
    m_errno = m_writer->errorNumber();
    m_writer.reset();
    if (!ok && !wasFailed) {
        qWarning("MVL writer: %s", m_error.c_str());
        notify(kZREventErrorAbort, kZRGraphFail);
    }
    return kZRGraphOk;
}

void ZRMvlWriterNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!sample.data || sample.data->empty()) return;
    std::lock_guard lock(m_mutex);
    if (!m_writer || m_writer->failed()) return;
    if (!m_writer->write(sample.data->data(), sample.data->size())) {
        qWarning("MVL writer: %s", m_writer->error().c_str());
        notify(kZREventErrorAbort, kZRGraphFail);
    }
}

ZRMvlIntelliWriterNode::ZRMvlIntelliWriterNode()
    : ZRMvlWriterNode("MVL MultiFile Intelli-Writer") {}

ZRGraphResult ZRMvlIntelliWriterNode::prepare() {
    std::lock_guard lock(m_mutex);
    m_prepared = true;
    return kZRGraphOk;
}

ZRGraphResult ZRMvlIntelliWriterNode::startNewRecording() {
    std::lock_guard lock(m_mutex);
    if (!m_prepared) return kZRGraphFail;
    m_recording = true;
    // A recording that starts mid-stream starts where a decoder can: at a sequence header.
    if (m_writer) m_writer->awaitSequenceHeader();
    return kZRGraphOk;
}

bool ZRMvlIntelliWriterNode::isRecording() const {
    std::lock_guard lock(m_mutex);
    return m_recording;
}

void ZRMvlIntelliWriterNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    {
        std::lock_guard lock(m_mutex);
        if (m_prepared && !m_recording) return;
    }
    ZRMvlWriterNode::receive(input, sample);
}

void ZRMvlIntelliWriterNode::openedLocked(segments::ZRMpegSegmentWriter& writer) {
    if (m_recording) writer.awaitSequenceHeader();
}

ZRGraphResult ZRMvlIntelliWriterNode::onStop() {
    const ZRGraphResult r = ZRMvlWriterNode::onStop();
    std::lock_guard lock(m_mutex);
    m_recording = false;
    return r;
}

#include "platform/v4l2/ZRCldvrSplitterNode.h"

#include <QString>

ZRCldvrSplitterNode::ZRCldvrSplitterNode() : ZRMvlWriterNode("CLDVR Splitter") {
    addPin(ZRGraphPin::Direction::Output, "Output", {kZRStreamProgram, "mpeg2ps"});
    (void)setSplitLimit(segments::ZRMpegSegmentWriter::kMaxLimitKB);
}

ZRGraphResult ZRCldvrSplitterNode::splitterMethod(int method, int32_t argument) {
    std::lock_guard lock(m_mutex);
    m_methods.emplace_back(method, argument);
    if (method == 9) m_writing = argument == 1;
    return kZRGraphOk;
}

ZRGraphResult ZRCldvrSplitterNode::setOutputFileName(const std::u16string& name) {
    if (name.empty()) return kZRGraphInvalidArg;
    {
        std::lock_guard lock(m_mutex);
        m_methods.emplace_back(15, 0);
    }
    // The whole name: a name cut at some length would write another file.
    return setFileName(QString::fromStdU16String(name).toStdString());
}

std::vector<std::pair<int, int32_t>> ZRCldvrSplitterNode::methods() const {
    std::lock_guard lock(m_mutex);
    return m_methods;
}

bool ZRCldvrSplitterNode::isWriting() const {
    std::lock_guard lock(m_mutex);
    return m_writing;
}

void ZRCldvrSplitterNode::receive(ZRGraphPin* input, const ZRMediaSample& sample) {
    if (isWriting()) ZRMvlWriterNode::receive(input, sample);
    deliver(outputPin(0), sample);
}

#include "platform/graph/ZRSceneSplitWriterNode.h"

#include <chrono>
#include <cstdio>

ZRSceneSplitWriterNode::ZRSceneSplitWriterNode(segments::ZRDVSceneSplitWriter::Reserve reserve)
    : ZRGraphNode("DV SceneSplit MultiFile Writer"), m_reserve(std::move(reserve)) {
    addPin(ZRGraphPin::Direction::Input, "Input", {});
}

ZRSceneSplitWriterNode::~ZRSceneSplitWriterNode() {
    (void)ZRSceneSplitWriterNode::onStop();
}

ZRGraphResult ZRSceneSplitWriterNode::setFileName(const std::string& path) {
    if (path.empty()) return kZRGraphInvalidArg;
    std::lock_guard lock(m_mutex);
    m_path = path;
    return kZRGraphOk;
}

std::string ZRSceneSplitWriterNode::fileName() const {
    std::lock_guard lock(m_mutex);
    return m_path;
}

void ZRSceneSplitWriterNode::setSplitLimit(long kilobytes) {
    std::lock_guard lock(m_mutex);
    m_settings.splitKilobytes = kilobytes;
}

void ZRSceneSplitWriterNode::setSceneSplit(bool on) {
    std::lock_guard lock(m_mutex);
    m_settings.sceneSplit = on;
}

std::string ZRSceneSplitWriterNode::error() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

int64_t ZRSceneSplitWriterNode::queued() const {
    std::lock_guard lock(m_mutex);
    return int64_t(m_queue.size());
}

std::vector<int64_t> ZRSceneSplitWriterNode::writeTimes() const {
    std::lock_guard lock(m_mutex);
    return m_writeTimes;
}

std::string ZRSceneSplitWriterNode::result() const {
    std::lock_guard lock(m_mutex);
    return m_result;
}

ZRGraphResult ZRSceneSplitWriterNode::onPause(ZRGraphState from) {
    if (from != ZRGraphState::Stopped) return kZRGraphOk;
    std::lock_guard lock(m_mutex);
    m_error.clear();
    m_result.clear();
    m_queue.clear();
    m_taken = m_dropped = m_written = m_queuePeak = 0;
    m_writeTimes.clear();
    // Without a file name the stream is taken and nothing is written.
    m_running = !m_path.empty();
    if (!m_running) return kZRGraphOk;
    m_quit = false;
    m_thread = std::thread([this] { writeLoop(); });
    return kZRGraphOk;
}

ZRGraphResult ZRSceneSplitWriterNode::onStop() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    return kZRGraphOk;
}

void ZRSceneSplitWriterNode::receive(ZRGraphPin*, const ZRMediaSample& sample) {
    if (!segments::isWholeDvFrame(sample.size())) {
        ++m_dropped;
        return;
    }
    {
        std::unique_lock lock(m_mutex);
        if (!m_running) return;
        // A frame waits for room at most as long as the next one takes to come.
        m_roomMade.wait_for(lock, std::chrono::milliseconds(40),
                            [this] { return !m_running || m_queue.size() < kQueueFrames; });
        if (!m_running) return;
        if (m_queue.size() >= kQueueFrames) {
            ++m_dropped;
            return;
        }
        m_queue.push_back(sample);
        ++m_taken;
        if (int64_t(m_queue.size()) > m_queuePeak.load()) m_queuePeak = int64_t(m_queue.size());
    }
    m_wake.notify_one();
}

void ZRSceneSplitWriterNode::writeLoop() {
    segments::ZRDVSceneSplitWriter writer(m_reserve);
    std::string base;
    segments::ZRDVSceneSplitWriter::Settings settings;
    {
        std::lock_guard lock(m_mutex);
        base = m_path;
        settings = m_settings;
    }
    const size_t slash = base.find_last_of('/');
    const size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.erase(dot);
    bool failed = !writer.open(base, settings);
    for (;;) {
        ZRMediaSample sample;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return m_quit || !m_queue.empty(); });
            // What is queued at a stop is still written: it reached the writer.
            if (m_queue.empty()) break;
            sample = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_roomMade.notify_all();
        if (failed) continue;
        using Result = segments::ZRDVSceneSplitWriter::Result;
        const auto start = std::chrono::steady_clock::now();
        const Result r = writer.write(*sample.data);
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - start);
        {
            std::lock_guard lock(m_mutex);
            m_writeTimes.push_back(took.count());
        }
        if (r == Result::Written) ++m_written;
        if (r == Result::Rejected) ++m_dropped;
        if (r == Result::Failed) {
            failed = true;
            {
                std::lock_guard lock(m_mutex);
                m_error = writer.error();
            }
            std::fprintf(stderr, "DV writer: %s\n", writer.error().c_str());
            notify(kZREventErrorAbort, kZRGraphFail);
        }
    }
    const bool finished = writer.finish();
    std::lock_guard lock(m_mutex);
    m_result = writer.result();
    m_running = false;
    m_roomMade.notify_all();
    if (!finished && !failed) {
        m_error = writer.error();
        notify(kZREventErrorAbort, kZRGraphFail);
    }
}

#include "plugins/export/common/ExportPipeline.h"

#include <algorithm>

namespace exportmodule {

ExportPipeline::ExportPipeline(size_t depth, std::function<bool(ExportJob&)> work)
    : m_work(std::move(work)) {
    for (size_t i = 0; i < std::max<size_t>(depth, 1); ++i) {
        m_jobs.push_back(std::make_unique<ExportJob>());
        m_free.push_back(m_jobs.back().get());
    }
    m_thread = std::thread([this] { run(); });
}

ExportPipeline::~ExportPipeline() {
    finish();
}

ExportJob* ExportPipeline::acquire() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_free.empty() || m_failed; });
    if (m_failed) return nullptr;
    ExportJob* job = m_free.back();
    m_free.pop_back();
    return job;
}

bool ExportPipeline::submit(ExportJob* job) {
    {
        std::lock_guard lock(m_mutex);
        if (m_failed || m_stopping) {
            m_free.push_back(job);
            return false;
        }
        m_queue.push_back(job);
    }
    m_changed.notify_all();
    return true;
}

void ExportPipeline::release(ExportJob* job) {
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(job);
    }
    m_changed.notify_all();
}

bool ExportPipeline::finish() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
    std::lock_guard lock(m_mutex);
    return !m_failed;
}

bool ExportPipeline::failed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

// After a failure the worker keeps taking jobs and drops them, so that the producer never
// waits for a free job that would not come.
void ExportPipeline::run() {
    for (;;) {
        ExportJob* job = nullptr;
        bool skip = false;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_stopping; });
            if (m_queue.empty()) return;
            job = m_queue.front();
            m_queue.pop_front();
            skip = m_failed;
        }
        bool ok = true;
        if (!skip) {
            try {
                ok = m_work(*job);
            } catch (...) {
                ok = false;
            }
        }
        {
            std::lock_guard lock(m_mutex);
            if (!ok) m_failed = true;
            m_free.push_back(job);
        }
        m_changed.notify_all();
    }
}

} // namespace exportmodule

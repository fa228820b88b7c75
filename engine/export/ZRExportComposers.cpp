#include "engine/export/ZRExportComposers.h"

#include "platform/scaler/RowWorkers.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<int> g_threadsForTesting{0};
} // namespace

ZRExportComposers::ZRExportComposers(ZREngineServices* services, int threads, int width, int height,
                                     int64_t total, Compose compose)
    : m_compose(std::move(compose)), m_total(total) {
    const int count = int(std::clamp<int64_t>(threads, 1, std::max<int64_t>(total, 1)));
    for (int i = 0; i < count; ++i) {
        auto worker = std::make_unique<Worker>();
        worker->frame = std::make_unique<ZRImage>(services);
        worker->a = std::make_unique<ZRImage>(services);
        worker->b = std::make_unique<ZRImage>(services);
        m_workers.push_back(std::move(worker));
    }
    // Each thread makes (and clears) its own frame, so that the set-up is shared out too; the
    // work buffers are made by the first frame that needs them.
    for (size_t i = 0; i < m_workers.size(); ++i)
        m_workers[i]->thread = std::thread([this, w = m_workers[i].get(), i, width, height] {
            w->frame->create(width, height, 0);
            run(*w, int64_t(i));
        });
}

ZRExportComposers::~ZRExportComposers() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    for (auto& worker : m_workers)
        worker->changed.notify_all();
    for (auto& worker : m_workers)
        if (worker->thread.joinable()) worker->thread.join();
}

// Composing ahead pays where the loop and the encoders leave cores free. With two cores or fewer
// the composers only take turns with the encoders, and beyond four the loop and the encoders
// set the pace: a fifth composer adds its three frames and its own decoders, not speed.
int ZRExportComposers::machineThreads() {
    if (const int forced = g_threadsForTesting.load(); forced > 0) return forced;
    const int cores = platform::RowWorkers::machineThreads();
    return cores <= 2 ? 1 : std::min(cores, 4);
}

void ZRExportComposers::setThreadsForTesting(int threads) {
    g_threadsForTesting = std::max(threads, 0);
}

void ZRExportComposers::run(Worker& worker, int64_t first) {
    const int64_t step = int64_t(m_workers.size());
    for (int64_t k = first; k < m_total; k += step) {
        {
            std::unique_lock lock(m_mutex);
            worker.changed.wait(lock, [&] { return worker.ready < 0 || m_stopping; });
            if (m_stopping) return;
        }
        m_compose(k, worker.frame.get(), worker.a.get(), worker.b.get());
        {
            std::lock_guard lock(m_mutex);
            worker.ready = k;
        }
        worker.changed.notify_all();
    }
}

ZRImage* ZRExportComposers::take(int64_t k) {
    if (k < 0 || k >= m_total) return nullptr;
    Worker& worker = *m_workers[size_t(k % int64_t(m_workers.size()))];
    {
        std::unique_lock lock(m_mutex);
        worker.changed.wait(lock, [&] { return worker.ready == k; });
    }
    worker.frame->lock();
    return worker.frame.get();
}

void ZRExportComposers::giveBack(int64_t k) {
    if (k < 0 || k >= m_total) return;
    Worker& worker = *m_workers[size_t(k % int64_t(m_workers.size()))];
    worker.frame->unlock();
    {
        std::lock_guard lock(m_mutex);
        worker.ready = -1;
    }
    worker.changed.notify_all();
}

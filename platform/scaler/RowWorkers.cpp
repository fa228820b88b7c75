#include "platform/scaler/RowWorkers.h"

#include <sched.h>

#include <algorithm>

namespace platform {

RowWorkers::RowWorkers(int threads) {
    const int extra = std::clamp(threads, 1, 64) - 1;
    for (int i = 0; i < extra; ++i)
        m_threads.emplace_back([this, i] { work(i + 1); });
}

RowWorkers::~RowWorkers() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_start.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

// The cores the process may run on, not all the machine's: threads beyond them only take turns.
int RowWorkers::machineThreads() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    const int usable = sched_getaffinity(0, sizeof cores, &cores) == 0
                           ? CPU_COUNT(&cores)
                           : int(std::thread::hardware_concurrency());
    return std::clamp(usable, 1, 8);
}

// Band `index` of `threads()`: whole steps, the remainder spread over the first bands.
void RowWorkers::bandOf(int index, int* begin, int* end) const {
    const int steps = (m_rows + m_step - 1) / m_step;
    const int count = threads();
    const int base = steps / count;
    const int extra = steps % count;
    const int first = index * base + std::min(index, extra);
    const int last = first + base + (index < extra ? 1 : 0);
    *begin = std::min(first * m_step, m_rows);
    *end = std::min(last * m_step, m_rows);
}

void RowWorkers::run(int rows, int step, const std::function<void(int, int)>& band) {
    if (rows <= 0) return;
    if (m_threads.empty()) {
        band(0, rows);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_band = &band;
        m_rows = rows;
        m_step = std::max(step, 1);
        m_pending = int(m_threads.size());
        ++m_generation;
    }
    m_start.notify_all();
    int begin = 0, end = 0;
    bandOf(0, &begin, &end);
    if (begin < end) band(begin, end);
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return m_pending == 0; });
    m_band = nullptr;
}

void RowWorkers::work(int index) {
    uint64_t seen = 0;
    for (;;) {
        const std::function<void(int, int)>* band = nullptr;
        int begin = 0, end = 0;
        {
            std::unique_lock lock(m_mutex);
            m_start.wait(lock, [&] { return m_stopping || m_generation != seen; });
            if (m_stopping) return;
            seen = m_generation;
            band = m_band;
            bandOf(index, &begin, &end);
        }
        if (begin < end) (*band)(begin, end);
        bool last = false;
        {
            std::lock_guard lock(m_mutex);
            last = --m_pending == 0;
        }
        if (last) m_done.notify_one();
    }
}

} // namespace platform

#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

/// A small fixed pool that runs one piece of work split into bands of rows: `run` hands each
/// thread (the caller included) one band and returns when all are done. The threads wait
/// between calls, so a call costs a wake-up, not a thread start.
/// Thread-safety: `run` is called by one thread at a time; the pool's state is guarded by its
/// mutex.
class RowWorkers {
public:
    /// `threads` in all, the caller's counted (1 runs everything on the caller).
    explicit RowWorkers(int threads);
    ~RowWorkers();
    RowWorkers(const RowWorkers&) = delete;
    RowWorkers& operator=(const RowWorkers&) = delete;

    int threads() const { return int(m_threads.size()) + 1; }
    /// Calls `band(begin, end)` for consecutive bands covering [0, `rows`), each `begin` a
    /// multiple of `step`, spread over the threads; returns after the last band.
    void run(int rows, int step, const std::function<void(int, int)>& band);

    /// The threads a conversion uses: one for each core this process may run on (`taskset`
    /// narrows them), 1 to 8.
    static int machineThreads();

private:
    void work(int index);
    void bandOf(int index, int* begin, int* end) const;

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_start;
    std::condition_variable m_done;
    const std::function<void(int, int)>* m_band = nullptr;
    int m_rows = 0;
    int m_step = 1;
    uint64_t m_generation = 0;
    int m_pending = 0;
    bool m_stopping = false;
};

} // namespace platform

#pragma once

#include <condition_variable>
#include <mutex>

/// An auto-reset event: `set` leaves it signalled until one `wait` consumes the signal.
/// A set before the wait is not lost; several sets before one wait give one wake.
/// Safe to use from any thread.
class ZREvent {
public:
    void set();
    /// Blocks until signalled, then resets.
    void wait();
    /// As `wait`, giving up after `ms` milliseconds; true when the signal was consumed.
    bool wait(int ms);

private:
    std::mutex m_mutex;
    std::condition_variable m_condition;
    bool m_signalled = false;
};

#pragma once

#include <mutex>

/// Values of type `T` behind a mutex of their own, reached only through `read` and `change`,
/// which call the given function under it.
/// Thread-safety: the mutex is a leaf among the engine's locks: the functions handed to `read`
/// and `change` take no other lock and call nothing out.
template <class T> class ZRGuardedValues {
public:
    /// Calls `f(const T&)` under the mutex and answers what it answers.
    template <class F> auto read(F f) const {
        std::lock_guard lock(m_mutex);
        return f(static_cast<const T&>(m_values));
    }
    /// Calls `f(T&)` under the mutex and answers what it answers.
    template <class F> auto change(F f) {
        std::lock_guard lock(m_mutex);
        return f(m_values);
    }

private:
    mutable std::mutex m_mutex;
    T m_values;
};

#pragma once

#include <cstddef>
#include <list>
#include <mutex>
#include <unordered_map>

/// The media files the engine keeps open at once. Every open file holds a demuxer, decoders and
/// frame buffers; a timeline of many clips would hold them all. Each use of a file marks it the
/// most recently used; beyond the capacity the least recently used files are closed (suspended)
/// and reopen on their next use, where they left off.
/// Thread-safety: every operation holds the cache's mutex. A client's own lock may be held when
/// it calls in; the cache only ever tries other clients' locks (`trySuspend`), so no order of
/// locks can deadlock.
class ZRDecoderCache {
public:
    /// A file the cache may close.
    class Client {
    public:
        virtual ~Client() = default;
        /// Closes the file unless it is in use on another thread right now; true when closed.
        /// Called under the cache's mutex: it must not call back into the cache.
        virtual bool trySuspend() = 0;
    };

    static constexpr size_t kDefaultCapacity = 16;

    /// The process's cache: the clips of every timeline share it.
    static ZRDecoderCache& instance();

    /// How many files stay open at most (1 or more); fewer are closed at the next use.
    void setCapacity(size_t capacity);
    size_t capacity() const;
    /// The files open now.
    size_t openCount() const;

    /// `client` (open) was used now; closes the least recently used beyond the capacity.
    void touch(Client* client);
    /// Forgets `client` (closed, or about to be destroyed).
    void remove(Client* client);

private:
    mutable std::mutex m_mutex;
    std::list<Client*> m_order; ///< the most recently used first
    std::unordered_map<Client*, std::list<Client*>::iterator> m_where;
    size_t m_capacity = kDefaultCapacity;
};

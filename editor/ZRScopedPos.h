#pragma once

#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"

#include <utility>

/// A position made by a timeline's factory and given back to it when its owner lets it go: a
/// local for one computation, or a member that owns its position for the member's lifetime.
/// Movable, not copyable; an empty one (default-made, moved from or reset) owns nothing and
/// converts to a null position. Confined to the thread that made it, or to a lock its owner holds.
class ZRScopedPos {
public:
    ZRScopedPos() = default;
    /// A new position at frame 0 at the timeline's frame rate, a copy of `from` when given.
    explicit ZRScopedPos(IZRObjectFactory* factory, const IZRPos* from = nullptr)
        : m_factory(factory), m_pos(factory->createPos()) {
        if (from && m_pos) m_pos->assign(from);
    }
    ~ZRScopedPos() { reset(); }
    ZRScopedPos(const ZRScopedPos&) = delete;
    ZRScopedPos& operator=(const ZRScopedPos&) = delete;
    ZRScopedPos(ZRScopedPos&& other) noexcept
        : m_factory(std::exchange(other.m_factory, nullptr)),
          m_pos(std::exchange(other.m_pos, nullptr)) {}
    ZRScopedPos& operator=(ZRScopedPos&& other) noexcept {
        if (this != &other) {
            reset();
            m_factory = std::exchange(other.m_factory, nullptr);
            m_pos = std::exchange(other.m_pos, nullptr);
        }
        return *this;
    }

    /// Gives the position back to its factory now; the factory must still be alive.
    void reset() {
        if (m_pos) m_factory->destroyPos(m_pos);
        m_factory = nullptr;
        m_pos = nullptr;
    }

    IZRPos* get() const { return m_pos; }
    IZRPos* operator->() const { return m_pos; }
    operator IZRPos*() const { return m_pos; }

private:
    IZRObjectFactory* m_factory = nullptr;
    IZRPos* m_pos = nullptr;
};

/// Positions compare by their total frame count.
inline bool earlier(const IZRPos* a, const IZRPos* b) {
    return a->toFrames() < b->toFrames();
}

/// `mark` moves by (to - from): later when `to` lies after `from`, earlier otherwise.
inline void moveMark(IZRPos* mark, const IZRPos* from, const IZRPos* to, IZRPos* scratch) {
    if (!earlier(from, to)) {
        scratch->assign(from);
        scratch->subtract(to);
        mark->subtract(scratch);
    } else {
        scratch->assign(to);
        scratch->subtract(from);
        mark->add(scratch);
    }
}

#pragma once

#include "engine/api/IZRObjectFactory.h"
#include "engine/api/IZRPos.h"

/// A position made by a timeline's factory and given back to it when the scope ends. Confined to
/// the thread that made it.
class ZRScopedPos {
public:
    /// A new position at frame 0 at the timeline's frame rate, a copy of `from` when given.
    explicit ZRScopedPos(IZRObjectFactory* factory, const IZRPos* from = nullptr)
        : m_factory(factory), m_pos(factory->createPos()) {
        if (from && m_pos) m_pos->assign(from);
    }
    ~ZRScopedPos() { m_factory->destroyPos(m_pos); }
    ZRScopedPos(const ZRScopedPos&) = delete;
    ZRScopedPos& operator=(const ZRScopedPos&) = delete;

    IZRPos* get() const { return m_pos; }
    IZRPos* operator->() const { return m_pos; }
    operator IZRPos*() const { return m_pos; }

private:
    IZRObjectFactory* m_factory;
    IZRPos* m_pos;
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

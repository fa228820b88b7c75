#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>

class IZRObject;
class ZREffect;

/// The integers that scripts and project files hold for a timeline's objects and effects:
/// positive 32-bit ids, 0 = none, never reused while the timeline lives. The factory registers
/// what it makes and unregisters it at destruction, so a stale or unknown id finds nothing.
/// Thread-safety: every operation takes the table's own mutex.
class ZRObjectHandles {
public:
    enum class Kind : uint8_t { Object, Effect };

    /// The id of `item`, registered as `kind` when it has none yet; 0 for null, or when the
    /// item is registered as the other kind or the ids are used up.
    int32_t handleOf(const void* item, Kind kind);
    int32_t handleOf(IZRObject* object) { return handleOf(object, Kind::Object); }
    int32_t handleOf(ZREffect* effect) { return handleOf(effect, Kind::Effect); }
    /// Forgets `item`: its id then finds nothing.
    void unregister(const void* item);

    /// What a live id stands for; null for 0, an unknown or stale id, or an id of the other kind.
    IZRObject* object(int32_t handle) const;
    ZREffect* effect(int32_t handle) const;

private:
    struct Entry {
        void* item;
        Kind kind;
    };
    void* find(int32_t handle, Kind kind) const;

    mutable std::mutex m_mutex;
    std::unordered_map<int32_t, Entry> m_byHandle;
    std::unordered_map<const void*, int32_t> m_byItem;
    int32_t m_lastHandle = 0;
};

#include "script/ScriptMemory.h"

#include "script/ScriptTypes.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unordered_map>

namespace {

// Each allocation carries its size and its allocator in a 16-byte header, so that the total in
// use is exact and the memory goes back where it came from.
enum class Origin : uint32_t { Runtime, Hook };
struct alignas(16) AllocHeader {
    size_t size;
    Origin origin;
};
static_assert(sizeof(AllocHeader) == 16);

std::atomic<size_t> gInUse{0};
std::atomic<size_t> gLimit{size_t(512) << 20};
std::atomic<long> gFailCountdown{0};
ScriptAllocator gAllocator;             // used under the interpreter lock
thread_local bool tInAllocator = false; // a hook that allocates gets the runtime library's memory

void* rawAllocate(size_t bytes, Origin& origin) {
    if (gAllocator.allocate && !tInAllocator) {
        tInAllocator = true;
        void* p = gAllocator.allocate(bytes);
        tInAllocator = false;
        origin = Origin::Hook;
        if (p && reinterpret_cast<uintptr_t>(p) % alignof(AllocHeader) != 0) {
            // Misaligned memory cannot hold the header: give it back and fail.
            if (gAllocator.release) {
                tInAllocator = true;
                gAllocator.release(p);
                tInAllocator = false;
            }
            p = nullptr;
        }
        return p;
    }
    origin = Origin::Runtime;
    return std::malloc(bytes);
}

void rawRelease(void* p, Origin origin) {
    if (origin == Origin::Runtime) {
        std::free(p);
    } else if (gAllocator.release && !tInAllocator) {
        tInAllocator = true;
        gAllocator.release(p);
        tInAllocator = false;
    }
}

// Blocks: the storage record, padded to 32 bytes, then the data.
struct alignas(16) BlockHeader {
    ScriptStorage storage;
};
static_assert(sizeof(BlockHeader) % 16 == 0);

struct Region {
    ScriptStorage* storage;
    uint32_t base;
    uint32_t span;
};

// Script addresses are handed out upwards from kBottom with a gap between regions, so that a
// pointer stepping out of its region does not land in the next one.
constexpr uint64_t kBottom = 0x00010000;
constexpr uint64_t kTop = 0xFFFF0000;

struct PointerTable {
    std::unordered_map<uint32_t, Region> byId;
    std::map<uint32_t, uint32_t> byBase; // base address -> id
    uint32_t nextId = 1;
    uint64_t nextBase = kBottom;

    uint32_t newId() {
        while (nextId == 0 || byId.count(nextId))
            ++nextId;
        return nextId++;
    }

    bool allocRange(uint64_t span, uint32_t& base) {
        for (int pass = 0; pass < 2; ++pass) {
            uint64_t candidate = nextBase;
            auto it = byBase.lower_bound(uint32_t(std::min<uint64_t>(candidate, UINT32_MAX)));
            if (it != byBase.begin()) {
                const Region& prev = byId[std::prev(it)->second];
                candidate = std::max<uint64_t>(candidate, uint64_t(prev.base) + prev.span);
            }
            while (it != byBase.end() && uint64_t(it->first) < candidate + span) {
                const Region& r = byId[it->second];
                candidate = std::max<uint64_t>(candidate, uint64_t(r.base) + r.span);
                ++it;
            }
            if (candidate + span <= kTop) {
                nextBase = candidate + span;
                base = uint32_t(candidate);
                return true;
            }
            nextBase = kBottom;
        }
        return false;
    }
};

PointerTable& table() {
    static PointerTable* t = new PointerTable; // lives to the end of the process
    return *t;
}

bool regionHasStrings(const ScriptType* type, uint64_t off, uint64_t size) {
    if (!type || !type->hasStrings || size == 0 || off >= type->size) return false;
    switch (type->kind) {
    case ScriptTypeKind::Basic:
        return true;
    case ScriptTypeKind::Struct:
        for (const ScriptMember& m : type->members) {
            const uint64_t lo = m.offset, hi = lo + m.type->size;
            if (off < hi && off + size > lo) {
                const uint64_t from = off > lo ? off - lo : 0;
                const uint64_t to = std::min(off + size, hi) - lo;
                if (regionHasStrings(m.type, from, to - from)) return true;
            }
        }
        return false;
    case ScriptTypeKind::Array: {
        const uint64_t es = type->base->size;
        if (es == 0) return false;
        // All elements have the same layout: checking the first and last touched suffices
        // unless the range covers a whole element.
        if (size >= es) return true;
        const uint64_t first = off / es, last = (off + size - 1) / es;
        if (first != last) return true;
        return regionHasStrings(type->base, off - first * es, size);
    }
    default:
        return false;
    }
}

bool typeAt(const ScriptType* root, uint64_t off, const ScriptType* want) {
    while (root) {
        if (off == 0 && root == want) return true;
        if (root->kind == ScriptTypeKind::Struct) {
            const ScriptMember* found = nullptr;
            for (const ScriptMember& m : root->members)
                if (off >= m.offset && off < uint64_t(m.offset) + m.type->size) {
                    found = &m;
                    break;
                }
            if (!found) return false;
            off -= found->offset;
            root = found->type;
        } else if (root->kind == ScriptTypeKind::Array) {
            const uint64_t es = root->base->size;
            if (es == 0) return false;
            off %= es;
            root = root->base;
        } else {
            return false;
        }
    }
    return false;
}

} // namespace

void* scriptAlloc(size_t size) {
    if (long n = gFailCountdown.load(); n > 0) {
        gFailCountdown.store(n - 1);
        if (n == 1) return nullptr;
    }
    if (size > gLimit.load() || gInUse.load() + size > gLimit.load()) return nullptr;
    Origin origin = Origin::Runtime;
    auto* header = static_cast<AllocHeader*>(rawAllocate(sizeof(AllocHeader) + size, origin));
    if (!header) return nullptr;
    header->size = size;
    header->origin = origin;
    gInUse += size;
    return header + 1;
}

void scriptFree(void* memory) {
    if (!memory) return;
    auto* header = static_cast<AllocHeader*>(memory) - 1;
    gInUse -= header->size;
    rawRelease(header, header->origin);
}

char* scriptNewString(std::string_view text) {
    auto* s = static_cast<char*>(scriptAlloc(text.size() + 1));
    if (!s) return nullptr;
    if (!text.empty()) std::memcpy(s, text.data(), text.size());
    s[text.size()] = '\0';
    return s;
}

size_t scriptMemoryInUse() {
    return gInUse.load();
}
void scriptSetMemoryLimit(size_t bytes) {
    gLimit.store(bytes);
}
size_t scriptMemoryLimit() {
    return gLimit.load();
}
void scriptSetAllocator(const ScriptAllocator& allocator) {
    gAllocator = allocator.allocate ? allocator : ScriptAllocator{};
}
void scriptFailAllocationAfter(long n) {
    gFailCountdown.store(n);
}

unsigned char* scriptNewBlock(uint32_t size, const ScriptType* type) {
    auto* header = static_cast<BlockHeader*>(scriptAlloc(sizeof(BlockHeader) + size));
    if (!header) return nullptr;
    auto* data = reinterpret_cast<unsigned char*>(header + 1);
    std::memset(data, 0, size);
    new (&header->storage) ScriptStorage{data, size, 0, type};
    return data;
}

ScriptStorage* scriptBlockStorage(unsigned char* data) {
    return &(reinterpret_cast<BlockHeader*>(data) - 1)->storage;
}

void scriptDeleteBlock(unsigned char* data) {
    if (!data) return;
    scriptForgetStorage(*scriptBlockStorage(data));
    scriptFree(reinterpret_cast<BlockHeader*>(data) - 1);
}

uint64_t scriptPointerTo(ScriptStorage& storage, uint32_t offset) {
    PointerTable& t = table();
    if (storage.id == 0) {
        uint32_t base = 0;
        const uint64_t span = ((uint64_t(storage.size) + 15) & ~uint64_t(15)) + 16;
        if (!t.allocRange(span, base)) return 0;
        const uint32_t id = t.newId();
        t.byId[id] = Region{&storage, base, uint32_t(span)};
        t.byBase[base] = id;
        storage.id = id;
    }
    const Region& r = t.byId[storage.id];
    return (uint64_t(storage.id) << 32) | uint32_t(r.base + offset);
}

void scriptForgetStorage(ScriptStorage& storage) {
    if (storage.id == 0) return;
    PointerTable& t = table();
    if (auto it = t.byId.find(storage.id); it != t.byId.end()) {
        t.byBase.erase(it->second.base);
        t.byId.erase(it);
    }
    storage.id = 0;
}

ScriptPointerFault scriptLocate(uint64_t pointer, const ScriptType* access, uint32_t size,
                                ScriptStorage*& storage, uint32_t& offset) {
    if (pointer == 0) return ScriptPointerFault::Null;
    PointerTable& t = table();
    const uint32_t address = uint32_t(pointer);
    const uint32_t id = uint32_t(pointer >> 32);
    const Region* region = nullptr;
    if (id != 0) {
        const auto it = t.byId.find(id);
        if (it == t.byId.end()) return ScriptPointerFault::Dangling;
        region = &it->second;
    } else {
        auto it = t.byBase.upper_bound(address);
        if (it == t.byBase.begin())
            return address ? ScriptPointerFault::Dangling : ScriptPointerFault::Null;
        region = &t.byId[std::prev(it)->second];
        if (address - region->base >= region->span) return ScriptPointerFault::Dangling;
    }
    ScriptStorage* st = region->storage;
    const uint32_t off = address - region->base;
    if (uint64_t(off) + size > st->size) return ScriptPointerFault::Range;
    const bool strings = (access && access->hasStrings) || regionHasStrings(st->type, off, size);
    if (strings && !(access && typeAt(st->type, off, access))) return ScriptPointerFault::Type;
    storage = st;
    offset = off;
    return ScriptPointerFault::None;
}

uint64_t scriptPointerMove(uint64_t pointer, int64_t bytes) {
    const uint32_t address = uint32_t(uint64_t(uint32_t(pointer)) + uint64_t(bytes));
    return (pointer & 0xFFFFFFFF00000000ull) | address;
}

uint32_t scriptPointerRoom(uint64_t pointer) {
    ScriptStorage* storage = nullptr;
    uint32_t offset = 0;
    if (scriptLocate(pointer, nullptr, 0, storage, offset) != ScriptPointerFault::None) return 0;
    // The longest run of bytes from the pointer on that holds no string.
    uint32_t lo = 0, hi = storage->size - offset;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo + 1) / 2;
        if (regionHasStrings(storage->type, offset, mid))
            hi = mid - 1;
        else
            lo = mid;
    }
    return lo;
}

size_t scriptPointerTableSize() {
    return table().byId.size();
}

void scriptResetPointerTable() {
    PointerTable& t = table();
    t.byId = {};
    t.byBase = {};
    t.nextId = 1;
    t.nextBase = kBottom;
}

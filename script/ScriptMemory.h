#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

struct ScriptType;

/// Script memory: every string, value block and variable a script makes is allocated here and
/// counted against one process-wide limit, so that no script can exhaust the process. All of
/// it is used under the interpreter lock.

/// Allocates `size` bytes; null when the limit would be passed or a test hook makes it fail.
void* scriptAlloc(size_t size);
/// Releases memory from scriptAlloc; null is ignored.
void scriptFree(void* memory);
/// A new NUL-terminated copy of `text` from scriptAlloc; null on failure. Strings that natives
/// hand to the interpreter (results) must come from here or scriptAlloc.
char* scriptNewString(std::string_view text);

/// Bytes of script memory in use.
size_t scriptMemoryInUse();
/// Sets the limit of script memory in use (512 MiB by default).
void scriptSetMemoryLimit(size_t bytes);
/// The limit of script memory in use.
size_t scriptMemoryLimit();
/// Test hook: the `n`th allocation from now fails (1 = the next one); 0 switches it off.
void scriptFailAllocationAfter(long n);

/// An allocator that script memory comes from while it is set (the `Malloc` and `Free` hooks):
/// `allocate` returns `size` bytes aligned to 16, or null; `release` takes such memory back.
/// Memory goes back to the allocator that made it: what the runtime library made before the
/// hooks were set is freed by it. Memory of a hook allocator without `release` is never freed.
/// An allocation made while a hook runs comes from the runtime library.
struct ScriptAllocator {
    void* (*allocate)(size_t size) = nullptr;
    void (*release)(void* memory) = nullptr;
};
/// Sets the allocator; a null `allocate` means the runtime library's.
void scriptSetAllocator(const ScriptAllocator& allocator);

/// A region of memory that script pointers may point into: a variable's value area or a value
/// block. `type` is the type of the object stored there; a pointer access is checked against it.
struct ScriptStorage {
    unsigned char* base = nullptr;
    uint32_t size = 0;
    uint32_t id = 0; ///< entry in the pointer table once a pointer to the region was made
    const ScriptType* type = nullptr;
};

/// A zeroed block of `size` bytes holding an object of `type`; null on failure. The result is
/// the data address; the block's storage record lies before it.
unsigned char* scriptNewBlock(uint32_t size, const ScriptType* type);
/// Releases a block from scriptNewBlock (pointers into it become dangling); null is ignored.
void scriptDeleteBlock(unsigned char* data);
/// The storage record of a block from scriptNewBlock.
ScriptStorage* scriptBlockStorage(unsigned char* data);

/// Script pointers are 64-bit values: the high half is the pointer table entry of the region
/// they were made for, the low half a 32-bit script address (the number scripts see when they
/// convert a pointer). Every region gets its own range of script addresses, never reused while
/// it lives. 0 is the null pointer; a pointer made from a number has no entry and is checked
/// against whatever region holds that address.
enum class ScriptPointerFault { None, Null, Dangling, Range, Type, Full };

/// A pointer to `offset` in `storage`, entering the region in the table on first use; 0 when
/// the table has no room left.
uint64_t scriptPointerTo(ScriptStorage& storage, uint32_t offset);
/// Removes a region from the pointer table: every pointer into it becomes dangling.
void scriptForgetStorage(ScriptStorage& storage);
/// Finds the region of `pointer` and checks an access of `size` bytes there: inside the region,
/// and, where owned strings are involved, of exactly the stored type `access` (null: raw bytes,
/// which must not overlap any string). Outputs are set only on success.
ScriptPointerFault scriptLocate(uint64_t pointer, const ScriptType* access, uint32_t size,
                                ScriptStorage*& storage, uint32_t& offset);
/// `pointer` moved by `bytes` (script addresses wrap modulo 2^32; the region stays the same).
uint64_t scriptPointerMove(uint64_t pointer, int64_t bytes);
inline uint32_t scriptPointerAddress(uint64_t pointer) {
    return uint32_t(pointer);
}
/// A pointer made from a script number (no region of its own).
inline uint64_t scriptPointerFromAddress(uint32_t address) {
    return address;
}
/// Bytes that may be written as raw bytes from `pointer` on: up to the end of its region or to
/// the first owned string inside it; 0 when the pointer designates nothing.
uint32_t scriptPointerRoom(uint64_t pointer);
/// Number of regions in the pointer table (for tests).
size_t scriptPointerTableSize();
/// Empties the pointer table and releases its memory (at shutdown, when no region is alive).
void scriptResetPointerTable();

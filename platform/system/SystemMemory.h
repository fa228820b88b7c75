#pragma once

/// How the process's memory allocator is set up.
namespace platform {

/// Caps glibc's allocation arenas at two. By default each thread that allocates may get an arena
/// of its own (up to eight per core), and memory freed in one stays with it: an export's
/// composers, encoders and decoder threads then hold tens of megabytes that no thread uses.
/// Leaves the cap alone when the user set MALLOC_ARENA_MAX. Call at the start of `main`, before
/// other threads run. Does nothing on other C libraries.
void limitAllocatorArenas();

} // namespace platform

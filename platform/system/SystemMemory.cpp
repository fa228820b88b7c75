#include "platform/system/SystemMemory.h"

#include <cstdlib>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void limitAllocatorArenas() {
#ifdef __GLIBC__
    // Two arenas, measured on a 1,000-clip DVD export with eight composers: the peak resident
    // memory falls from about 157 MB to 135 MB at the same speed; one arena saves little more
    // and makes every allocating thread wait on the same lock.
    if (!std::getenv("MALLOC_ARENA_MAX")) mallopt(M_ARENA_MAX, 2);
#endif
}

} // namespace platform

#pragma once

/// Marks the few symbols that the kernel library exports; everything else is hidden.
#if defined(KERNEL_BUILD)
#define ZR_EXPORT __attribute__((visibility("default")))
#else
#define ZR_EXPORT
#endif

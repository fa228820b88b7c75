#pragma once

// Clamping, range tests and data-rate arithmetic shared by the capture and device code.
// Reentrant: the functions touch only what they are given.

#include <cstdint>

/// Sets `*value` to `lo` when below it, then to `hi` when above it; answers `value`.
int* clampInPlace(int* value, int lo, int hi);
/// As clampInPlace with unsigned compares.
void clampUnsignedInPlace(unsigned* value, unsigned lo, unsigned hi);
/// max(value, lo); `count` - 1 when that is not below `count`.
int clampIndex(int value, int lo, int count);
/// True when lo <= value <= hi.
bool inRange(int value, int lo, int hi);
/// The seconds that `bytes` last at `bitsPerSecond` (truncating); -1 for a rate below 8 bits
/// per second, which has no whole byte per second to divide by.
int64_t bytesToSecondsAtBitRate(int64_t bytes, int64_t bitsPerSecond);

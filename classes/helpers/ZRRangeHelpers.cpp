#include "classes/helpers/ZRRangeHelpers.h"

#include <algorithm>

int* clampInPlace(int* value, int lo, int hi) {
    if (*value < lo) *value = lo;
    if (*value > hi) *value = hi;
    return value;
}

void clampUnsignedInPlace(unsigned* value, unsigned lo, unsigned hi) {
    if (*value < lo) *value = lo;
    if (*value > hi) *value = hi;
}

int clampIndex(int value, int lo, int count) {
    const int v = std::max(value, lo);
    return v < count ? v : count - 1;
}

bool inRange(int value, int lo, int hi) {
    return lo <= value && value <= hi;
}

int64_t bytesToSecondsAtBitRate(int64_t bytes, int64_t bitsPerSecond) {
    const int64_t bytesPerSecond = bitsPerSecond >> 3;
    if (bytesPerSecond < 1) return -1;
    return bytes / bytesPerSecond;
}

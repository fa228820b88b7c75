#include "engine/util/ZRStringMap.h"

uint32_t zrStringHash(std::string_view text, bool caseSensitive) {
    uint32_t h = 0;
    for (char ch : text) {
        const uint32_t c =
            caseSensitive
                ? static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(ch)))
                : static_cast<uint32_t>(static_cast<unsigned char>(platform::keyFold(ch)));
        h = (h << 4) + c;
        const uint32_t g = h & 0xF0000000u;
        if (g != 0) h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

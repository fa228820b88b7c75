// Media files come from outside: identification must stand any bytes without a fault or a hang.
#include "engine/modules/ZRKindTables.h"
#include "engine/modules/ZRMediaIdentify.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ZRMediaReader read = [data, size](uint64_t offset, void* buffer, size_t wanted) {
        if (offset >= size) return size_t(0);
        const size_t n = std::min<size_t>(wanted, size - size_t(offset));
        std::memcpy(buffer, data + offset, n);
        return n;
    };
    const ZRMediaKind media = zrIdentifyMedia(read, size);
    zrSuggestedImportKind(media.kind, media.subtype);
    return 0;
}

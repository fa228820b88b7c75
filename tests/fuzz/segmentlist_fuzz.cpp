// Segment lists come from capture folders and other machines: any bytes must read safely, and
// every entry must name a file inside the list's own folder.
#include "platform/segments/ZRSegmentList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const auto list = segments::ZRSegmentList::parse(
        std::string_view(reinterpret_cast<const char*>(data), size), "/capture", &error);
    if (!list) return 0;
    for (const auto& entry : list->entries()) {
        const std::string_view name = entry.name;
        if (name.empty() || name == "." || name == ".." ||
            name.find_first_of("/\\") != std::string_view::npos ||
            entry.path != "/capture/" + entry.name)
            std::abort();
    }
    return 0;
}

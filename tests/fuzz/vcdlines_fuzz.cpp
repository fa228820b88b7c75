// What vcdxbuild and cdrdao print reaches the Video CD page as progress: any bytes, cut into
// lines anywhere, must read safely, and what reads must keep its counts in range.
#include "platform/cdwriter/VcdLines.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte chooses the read size, as a pipe hands the output over in pieces.
    const size_t piece = size ? size_t(data[0]) + 1 : 1;
    std::string pending;
    const auto line = [](std::string_view text) {
        if (text.empty() || text.size() > vcdlines::kMaxLine) std::abort();
        if (const auto build = vcdlines::parseBuildLine(text)) {
            if (build->position < 0 || build->size < 0) std::abort();
            if (build->kind == vcdlines::BuildLine::Kind::Log)
                (void)vcdlines::finishedSectors(build->text);
        }
        if (const auto sectors = vcdlines::finishedSectors(text); sectors && *sectors < 0)
            std::abort();
        if (const auto wrote = vcdlines::parseCdrdaoLine(text))
            if (wrote->doneMB < 0 || wrote->doneMB > wrote->totalMB) std::abort();
    };
    for (size_t at = 0; at < input.size(); at += piece)
        vcdlines::splitLines(pending, input.substr(at, piece), line);
    if (pending.size() > vcdlines::kMaxLine) std::abort();
    return 0;
}

// Dissolve: the second picture appears cell by cell in a scattered order. Each cell (one pixel,
// or the size the settings' subdivision asks for) switches once its own threshold is passed.
// The thresholds of a row of cells are worked out once for all its pixel rows, so the pixel
// loop is a plain select without division.
#include "plugins/common/PluginImage.h"

#include <vector>

namespace {

ZRModuleInfo info =
    zrmodule::makeInfo("Dissolve", "Dissolves the first clip into the second, dot by dot.");
ZRTransitionSettings settings;

constexpr int kMaxCell = 64;

// A threshold 0..9999 for a cell, scattered evenly (a 32-bit integer hash).
uint32_t threshold(uint32_t x, uint32_t y) {
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h % 10000u;
}

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void resetTransitionGUI(void) {
    settings = ZRTransitionSettings{};
    settings.offers = ZR_TRANSITION_SUBDIVISION;
    settings.subDivision[0] = 1;
    settings.subDivision[1] = 1;
}

ZR_PLUGIN_ENTRY ZRTransitionSettings* transitionGUI(void) {
    return &settings;
}

ZR_PLUGIN_ENTRY void setTransitionGUI(void) {}

ZR_PLUGIN_ENTRY void generateTransition(ZRImageRecord* first, ZRImageRecord* second,
                                        ZRImageRecord* output, int32_t progress) {
    const uint32_t p = uint32_t(std::clamp(progress, 0, 10000));
    const int cellWidth = std::clamp(settings.subDivision[0], 1, kMaxCell);
    const int cellHeight = std::clamp(settings.subDivision[1], 1, kMaxCell);
    zrmodule::withCommonArea(
        [&](int width, int height) {
            // A mask word per pixel of the current row of cells: all ones where the second
            // picture shows.
            std::vector<uint32_t> mask(size_t(width), 0);
            for (int y = 0; y < height; ++y) {
                if (y % cellHeight == 0) {
                    const uint32_t cellY = uint32_t(y / cellHeight);
                    for (int x = 0; x < width; x += cellWidth) {
                        const uint32_t word =
                            threshold(uint32_t(x / cellWidth), cellY) < p ? ~0u : 0u;
                        std::fill_n(mask.begin() + x, std::min(cellWidth, width - x), word);
                    }
                }
                const auto* a = reinterpret_cast<const uint32_t*>(zrmodule::row(first, y));
                const auto* b = reinterpret_cast<const uint32_t*>(zrmodule::row(second, y));
                auto* o = reinterpret_cast<uint32_t*>(zrmodule::row(output, y));
                const uint32_t* m = mask.data();
                for (int x = 0; x < width; ++x)
                    o[x] = (b[x] & m[x]) | (a[x] & ~m[x]);
            }
        },
        first, second, output);
}

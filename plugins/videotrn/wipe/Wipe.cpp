// Wipes: an edge crosses the picture and uncovers the second clip behind it. One source for
// the four directions; ZR_WIPE_DIRECTION picks the module built (0 left, 1 right, 2 up,
// 3 down: the way the edge moves). Settings: a soft edge (anti-aliasing) and a border line in a
// colour of its own (pen width in pixels; 0, the default, draws none).
#include "plugins/common/PluginImage.h"

#include <vector>

#ifndef ZR_WIPE_DIRECTION
#error "ZR_WIPE_DIRECTION must be 0 (left), 1 (right), 2 (up) or 3 (down)"
#endif

namespace {

enum Direction { Left, Right, Up, Down };
constexpr Direction kDirection = Direction(ZR_WIPE_DIRECTION);
constexpr bool kHorizontal = kDirection == Left || kDirection == Right;

constexpr const char* kNames[] = {"Wipe Left", "Wipe Right", "Wipe Up", "Wipe Down"};
constexpr const char* kTexts[] = {"An edge moves from right to left and uncovers the second clip.",
                                  "An edge moves from left to right and uncovers the second clip.",
                                  "An edge moves from the bottom up and uncovers the second clip.",
                                  "An edge moves from the top down and uncovers the second clip."};

ZRModuleInfo info = zrmodule::makeInfo(kNames[kDirection], kTexts[kDirection]);
ZRTransitionSettings settings;

constexpr int kMaxPen = 64;

// The edge at `progress` over `length` pixels: for each distance u from where the wipe starts,
// the second clip's weight 0..256, or -1 where the border is drawn.
void weights(int length, int progress, std::vector<int>& out) {
    out.assign(size_t(length), 0);
    const int64_t band = settings.antiAlias ? std::max(2, length / 25) : 0;
    const int64_t reach = int64_t(progress) * (length + band) / 10000;
    const int64_t pen = settings.colorMode == 3 ? std::clamp(settings.penWidth, 0, kMaxPen) : 0;
    const bool border = pen > 0 && progress > 0 && progress < 10000;
    const int64_t penStart = reach - band / 2 - pen / 2;
    for (int64_t u = 0; u < length; ++u) {
        int64_t w = 0;
        if (band == 0)
            w = u < reach ? 256 : 0;
        else
            w = std::clamp<int64_t>((reach - u) * 256 / band, 0, 256);
        if (border && u >= penStart && u < penStart + pen) w = -1;
        out[size_t(u)] = int(w);
    }
    if (kDirection == Left || kDirection == Up) std::reverse(out.begin(), out.end());
}

void mix(const uint8_t* a, const uint8_t* b, uint8_t* o, int weight) {
    if (weight < 0) {
        o[0] = settings.color[2];
        o[1] = settings.color[1];
        o[2] = settings.color[0];
        o[3] = 255;
        return;
    }
    for (int i = 0; i < 4; ++i)
        o[i] = uint8_t((a[i] * (256 - weight) + b[i] * weight + 128) >> 8);
}

} // namespace

ZR_PLUGIN_ENTRY ZRModuleInfo* moduleInfo20(int32_t, ZRStringLookup) {
    return &info;
}

ZR_PLUGIN_ENTRY void resetTransitionGUI(void) {
    settings = ZRTransitionSettings{};
    settings.offers = ZR_TRANSITION_ANTIALIAS | ZR_TRANSITION_COLOR;
    settings.antiAlias = 1;
    settings.colorMode = 3;
    settings.penWidth = 0;
    settings.color[0] = settings.color[1] = settings.color[2] = settings.color[3] = 255;
}

ZR_PLUGIN_ENTRY ZRTransitionSettings* transitionGUI(void) {
    return &settings;
}

ZR_PLUGIN_ENTRY void setTransitionGUI(void) {}

ZR_PLUGIN_ENTRY void generateTransition(ZRImageRecord* first, ZRImageRecord* second,
                                        ZRImageRecord* output, int32_t progress) {
    const int p = std::clamp(progress, 0, 10000);
    zrmodule::withCommonArea(
        [&](int width, int height) {
            std::vector<int> edge;
            weights(kHorizontal ? width : height, p, edge);
            for (int y = 0; y < height; ++y) {
                const uint8_t* a = zrmodule::row(first, y);
                const uint8_t* b = zrmodule::row(second, y);
                uint8_t* o = zrmodule::row(output, y);
                for (int x = 0; x < width; ++x)
                    mix(a + x * 4, b + x * 4, o + x * 4, edge[size_t(kHorizontal ? x : y)]);
            }
        },
        first, second, output);
}

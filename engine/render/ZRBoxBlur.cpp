#include "engine/render/ZRBoxBlur.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

void zrBoxBlurAt(const ZRPixelView& frame, int x, int y, int size) {
    if (!frame.pixels || frame.width <= 0 || frame.height <= 0) return;
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) return;
    const int n = std::clamp(size % 2 == 0 ? size + 1 : size, 1, kMaxBoxBlurSize);
    const int half = n / 2;
    auto at = [&frame](int px, int py) {
        px = std::clamp(px, 0, frame.width - 1);
        py = std::clamp(py, 0, frame.height - 1);
        return frame.pixels + ptrdiff_t(py) * frame.stride + ptrdiff_t(px) * 4;
    };
    int64_t sum[3] = {0, 0, 0};
    for (int dy = -half; dy <= half; ++dy) {
        for (int dx = -half; dx <= half; ++dx) {
            const unsigned char* p = at(x + dx, y + dy);
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
        }
    }
    const int64_t count = int64_t(n) * n;
    unsigned char* target = at(x, y);
    for (int c = 0; c < 3; ++c)
        target[c] = static_cast<unsigned char>(sum[c] / count);
}

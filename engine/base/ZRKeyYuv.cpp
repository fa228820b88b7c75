#include "engine/base/ZRKeyYuv.h"

ZRKeyYuv zrKeyYuv(int red, int green, int blue) {
    const double r = red, g = green, b = blue;
    return {static_cast<int>(0.299 * r + 0.587 * g + 0.114 * b + 0.5),
            static_cast<int>((0.886 * b - 0.299 * r - 0.587 * g) * 0.493 + 0.5),
            static_cast<int>((0.701 * r - 0.587 * g - 0.114 * b) * 0.877 + 0.5)};
}

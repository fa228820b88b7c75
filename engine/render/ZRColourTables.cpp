#include "engine/render/ZRColourTables.h"

#include <cstring>

ZRColourTables ZRColourTables::build(float gainY, float gainC) {
    ZRColourTables t;
    // Single-precision products, truncated toward zero entry by entry: the sums of three
    // truncated entries are what the tables have always produced (white gives Y 254).
    auto trunc = [](float v) { return int32_t(v); };
    for (int i = 0; i < 256; ++i) {
        const float f = float(i);
        t.yR[i] = trunc(gainY * f * 0.299f);
        t.yG[i] = trunc(gainY * f * 0.587f);
        t.yB[i] = trunc(gainY * f * 0.114f);
        t.uR[i] = trunc(gainC * f * -0.169f);
        t.uG[i] = trunc(gainC * f * -0.331f);
        t.uB[i] = 128 - trunc(gainC * f * -0.5f);
        t.vR[i] = trunc(gainC * f * 0.5f);
        t.vG[i] = trunc(gainC * f * -0.419f);
        t.vB[i] = 128 - trunc(gainC * f * 0.081f);
    }
    for (int i = 0; i < 1024; ++i)
        t.clamp[i] = i < 256 ? uint8_t(i) : i < 512 ? 255 : 0;
    return t;
}

const ZRColourTables& zrColourTables() {
    static const ZRColourTables tables = ZRColourTables::build(1.0f, 1.0f);
    return tables;
}

void zrPack422(unsigned char* destination, ptrdiff_t destinationStride, const unsigned char* source,
               ptrdiff_t sourceStride, int width, int height, const ZRColourTables& t) {
    if (!destination || !source || width < 2 || height < 1) return;
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const unsigned char* s = source + row * sourceStride;
        unsigned char* d = destination + row * destinationStride;
        for (int p = 0; p < pairs; ++p, s += 8, d += 4) {
            const unsigned b0 = s[0], g0 = s[1], r0 = s[2];
            d[0] = t.y(r0, g0, b0);
            d[1] = t.u(r0, g0, b0);
            d[2] = t.y(s[6], s[5], s[4]);
            d[3] = t.v(r0, g0, b0);
        }
    }
}

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

/// Integer colour-space tables: the contribution of one 8-bit red, green or blue value to
/// luma Y and the chroma differences U (blue) and V (red), each entry truncated on its own,
/// and a clamp that folds a summed component into 0..255.
///
/// Pixels of the engine are 32-bit words with the bytes blue, green, red, alpha in memory, so
/// a pixel's byte 2 indexes the red tables and its byte 0 the blue ones.
/// Thread-safety: a built table set is immutable and may be read from any thread.
struct ZRColourTables {
    using Table = std::array<int32_t, 256>;

    Table yR, yG, yB; ///< trunc(gY x i x 0.299 / 0.587 / 0.114)
    Table uR, uG,
        uB; ///< trunc(gC x i x -0.169), trunc(gC x i x -0.331), 128 - trunc(gC x i x -0.5)
    Table vR, vG, vB; ///< trunc(gC x i x 0.5), trunc(gC x i x -0.419), 128 - trunc(gC x i x 0.081)
    /// Indexed by (sum AND 0x3FF): 0..255 stay, 256..511 give 255, 512..1023 (negative sums) 0.
    std::array<uint8_t, 1024> clamp;

    /// Tables for the luma gain `gainY` and the chroma gain `gainC`.
    static ZRColourTables build(float gainY, float gainC);

    uint8_t y(unsigned r, unsigned g, unsigned b) const {
        return clamp[unsigned(yR[r] + yG[g] + yB[b]) & 0x3FF];
    }
    uint8_t u(unsigned r, unsigned g, unsigned b) const {
        return clamp[unsigned(uR[r] + uG[g] + uB[b]) & 0x3FF];
    }
    uint8_t v(unsigned r, unsigned g, unsigned b) const {
        return clamp[unsigned(vR[r] + vG[g] + vB[b]) & 0x3FF];
    }
};

/// The engine's tables (both gains 1.0), built once on first use in the process.
const ZRColourTables& zrColourTables();

/// Packs rows of BGRA pixels into 4:2:2: every pixel pair p0, p1 becomes the bytes
/// Y(p0), U(p0), Y(p1), V(p0) (chroma from the first pixel of the pair). `width` is taken in
/// whole pairs: an odd last pixel of a row is not written. Rows are top-down on both sides;
/// strides may differ. Each destination row receives (width / 2) x 4 bytes.
void zrPack422(unsigned char* destination, ptrdiff_t destinationStride, const unsigned char* source,
               ptrdiff_t sourceStride, int width, int height,
               const ZRColourTables& tables = zrColourTables());

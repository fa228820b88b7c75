#include "classes/pixels/ZRPixelKernels.h"
#include "classes/pixels/ZRPixelRoutines.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace zrpixels {
namespace {

/* ** Four pixels at a time: the bytes are widened to 16-bit lanes (two pixels per register),
** weighted (a, a, a, 255) and (255 - a) x 4, summed and shifted. No sum exceeds 65025, so the
** 16-bit lanes never wrap and the results equal the one-pixel reference exactly. The rule's
** cases (copy, keep, blend) are then chosen per pixel with masks. */

inline __m128i load(const uint32_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void store(uint32_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

inline __m128i select(__m128i mask, __m128i a, __m128i b) {
    return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// The blend of two pixels widened to 16-bit lanes.
inline __m128i blendHalf(__m128i s, __m128i d) {
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    const __m128i sw = select(alphaLanes, c255, a);
    const __m128i dw = _mm_sub_epi16(c255, a);
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(s, sw), _mm_mullo_epi16(d, dw)), 8);
}

// The blend of four pixels, whatever their alphas (callers select the rule's cases).
inline __m128i blend4(__m128i s, __m128i d) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = blendHalf(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    const __m128i hi = blendHalf(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    return _mm_packus_epi16(lo, hi);
}

inline __m128i alphaOf(__m128i v) {
    return _mm_srli_epi32(v, 24);
}

// Rule B for four pixels.
inline __m128i ruleB(__m128i s, __m128i d) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i sa = alphaOf(s);
    const __m128i copy =
        _mm_or_si128(_mm_cmpeq_epi32(sa, _mm_set1_epi32(255)), _mm_cmpeq_epi32(alphaOf(d), zero));
    const __m128i keep = _mm_cmpeq_epi32(sa, zero);
    return select(copy, s, select(keep, d, blend4(s, d)));
}

void blendRow(const uint32_t* src, uint32_t* dst, int n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(255);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = load(src + i);
        const __m128i sa = alphaOf(s);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, opaque)) == 0xFFFF) {
            store(dst + i, s);
            continue;
        }
        const __m128i d = load(dst + i);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sa, zero)) == 0xFFFF &&
            _mm_movemask_epi8(_mm_cmpeq_epi32(alphaOf(d), zero)) == 0)
            continue;
        store(dst + i, ruleB(s, d));
    }
    if (i < n) referenceKernels().blend(src + i, dst + i, n - i);
}

inline __m128i withAlpha(__m128i d, __m128i alpha) {
    return _mm_or_si128(_mm_and_si128(d, _mm_set1_epi32(0x00FFFFFF)), alpha);
}

void blendOpacityRow(const uint32_t* src, uint32_t* dst, int n, uint32_t opacity) {
    const __m128i alpha = _mm_set1_epi32(int(opacity << 24));
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = load(src + i);
        const __m128i d = load(dst + i);
        // The opacity is not 0, so the lowered destination is never transparent: rule B on it
        // is rule O, except that a transparent source keeps the original destination.
        const __m128i keep = _mm_cmpeq_epi32(alphaOf(s), zero);
        store(dst + i, select(keep, d, ruleB(s, withAlpha(d, alpha))));
    }
    if (i < n) referenceKernels().blendOpacity(src + i, dst + i, n - i, opacity);
}

void blendTileRow(const uint32_t* src, uint32_t* dst, int n, uint32_t opacity) {
    const __m128i alpha = _mm_set1_epi32(int(opacity << 24));
    int i = 0;
    for (; i + 4 <= n; i += 4)
        store(dst + i, ruleB(load(src + i), withAlpha(load(dst + i), alpha)));
    if (i < n) referenceKernels().blendTile(src + i, dst + i, n - i, opacity);
}

// With a colour alpha of 1..254, tinting is rule B of a constant source.
void tintRow(uint32_t colour, uint32_t* dst, int n) {
    const __m128i s = _mm_set1_epi32(int(colour));
    int i = 0;
    for (; i + 4 <= n; i += 4)
        store(dst + i, ruleB(s, load(dst + i)));
    if (i < n) referenceKernels().tint(colour, dst + i, n - i);
}

void fillRow(uint32_t colour, uint32_t* dst, int n, uint32_t alpha) {
    const __m128i s = _mm_set1_epi32(int(colour));
    const __m128i a = _mm_set1_epi32(int(alpha << 24));
    int i = 0;
    for (; i + 4 <= n; i += 4)
        store(dst + i, ruleB(s, withAlpha(load(dst + i), a)));
    if (i < n) referenceKernels().fill(colour, dst + i, n - i, alpha);
}

const Kernels kSse2{blendRow, blendOpacityRow, blendTileRow, tintRow, fillRow};

} // namespace

const Kernels& vectorKernels() {
    return kSse2;
}

} // namespace zrpixels

#else

namespace zrpixels {
const Kernels& vectorKernels() {
    return referenceKernels();
}
} // namespace zrpixels

#endif

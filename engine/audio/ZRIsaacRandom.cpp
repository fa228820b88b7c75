#include "engine/audio/ZRIsaacRandom.h"

#include <cstdlib>

namespace {

inline void mix(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e, uint32_t& f,
                uint32_t& g, uint32_t& h) {
    // clang-format off
    a ^= b << 11; d += a; b += c;
    b ^= c >> 2;  e += b; c += d;
    c ^= d << 8;  f += c; d += e;
    d ^= e >> 16; g += d; e += f;
    e ^= f << 10; h += e; f += g;
    f ^= g >> 4;  a += f; g += h;
    g ^= h << 8;  b += g; h += a;
    h ^= a >> 9;  c += h; a += b;
    // clang-format on
}

} // namespace

ZRIsaacRandom::ZRIsaacRandom() {
    for (uint32_t& word : m_results)
        word = uint32_t(std::rand());
    initialise();
}

ZRIsaacRandom::ZRIsaacRandom(const Seed& seed) : m_results(seed) {
    initialise();
}

void ZRIsaacRandom::initialise() {
    m_a = m_b = m_c = 0;
    uint32_t v[8];
    for (uint32_t& x : v)
        x = 0x9e3779b9u; // the golden ratio
    for (int i = 0; i < 4; ++i)
        mix(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    // Two passes, so that every seed word affects every memory word.
    for (const Seed* source : {&m_results, &m_memory}) {
        for (int i = 0; i < kSize; i += 8) {
            for (int k = 0; k < 8; ++k)
                v[k] += (*source)[i + k];
            mix(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
            for (int k = 0; k < 8; ++k)
                m_memory[i + k] = v[k];
        }
    }
    round();
    m_count = kSize;
}

void ZRIsaacRandom::round() {
    auto ind = [this](uint32_t x) { return m_memory[(x >> 2) & (kSize - 1)]; };
    uint32_t a = m_a;
    uint32_t b = m_b + (++m_c);
    int r = 0;
    auto step = [&](uint32_t mixed, int m, int m2) {
        const uint32_t x = m_memory[m];
        a = (a ^ mixed) + m_memory[m2];
        const uint32_t y = ind(x) + a + b;
        m_memory[m] = y;
        b = ind(y >> 8) + x;
        m_results[r++] = b;
    };
    constexpr int half = kSize / 2;
    for (int m = 0; m < kSize; m += 4) {
        const int m2 = (m + half) % kSize;
        step(a << 13, m, m2);
        step(a >> 6, m + 1, m2 + 1);
        step(a << 2, m + 2, m2 + 2);
        step(a >> 16, m + 3, m2 + 3);
    }
    m_a = a;
    m_b = b;
}

uint32_t ZRIsaacRandom::next() {
    if (m_count == 0) {
        round();
        m_count = kSize;
    }
    return m_results[--m_count];
}

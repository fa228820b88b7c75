#pragma once

#include <array>
#include <cstdint>

/// The ISAAC random generator (Bob Jenkins' published algorithm, 256-word state), the source
/// of the dither noise. Results are handed out from the last word of a round down to the
/// first; an exhausted round is followed by a new one.
/// Thread-safety: one generator belongs to one thread at a time.
class ZRIsaacRandom {
public:
    static constexpr int kSize = 256;
    using Seed = std::array<uint32_t, kSize>;

    /// Seeded with 256 values of the C library's `rand`.
    ZRIsaacRandom();
    /// Seeded with `seed` through ISAAC's own initialisation.
    explicit ZRIsaacRandom(const Seed& seed);

    uint32_t next();
    /// Runs one round: refills the result words from the current state.
    void round();
    /// The result words of the latest round.
    const Seed& results() const { return m_results; }

private:
    void initialise();

    Seed m_results{};
    Seed m_memory{};
    uint32_t m_a = 0;
    uint32_t m_b = 0;
    uint32_t m_c = 0;
    int m_count = 0;
};

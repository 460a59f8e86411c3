#pragma once

#include <cstdint>

namespace tavik {

// xorshift64* generator: small, fast and identical on every platform, so that a seed always
// gives the same recordings (std::normal_distribution and friends are not portable).
class CRandom {
public:
    explicit CRandom(std::uint64_t seed) {
        // splitmix64 spreads small seeds over the state; the state must never be zero.
        std::uint64_t z = seed + 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        m_nState = (z ^ (z >> 31)) | 1u;
    }

    std::uint64_t Next() {
        m_nState ^= m_nState >> 12;
        m_nState ^= m_nState << 25;
        m_nState ^= m_nState >> 27;
        return m_nState * 0x2545F4914F6CDD1Dull;
    }

    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

    // Uniform in [lo, hi).
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

    // Approximately normal with unit variance: the sum of four 16-bit uniforms of one draw
    // (Irwin-Hall), cheap enough for one value per sample.
    float Gaussian() {
        const std::uint64_t r = Next();
        const auto sum = static_cast<float>((r & 0xFFFF) + ((r >> 16) & 0xFFFF) +
                                            ((r >> 32) & 0xFFFF) + (r >> 48));
        // Four uniforms on [0, 65536) have mean 131070 and variance 4 * 65536^2 / 12.
        return (sum - 131070.0f) * (1.0f / 37837.23f);
    }

    // One bit with probability p of being set.
    bool Chance(double p) { return Uniform() < p; }

private:
    std::uint64_t m_nState;
};

}  // namespace tavik

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavik::test {

// Builds RDS bit streams for the tests and the benchmark. The check word is the demo
// generator's, made by polynomial division independently of the decoder's syndrome tables.
class CRdsTestEncoder {
public:
    static constexpr std::uint16_t kOffsetA = 0x0FC;
    static constexpr std::uint16_t kOffsetB = 0x198;
    static constexpr std::uint16_t kOffsetC = 0x168;
    static constexpr std::uint16_t kOffsetCPrime = 0x350;
    static constexpr std::uint16_t kOffsetD = 0x1B4;

    // The 26-bit block: information word, then check word plus offset word.
    static std::uint32_t EncodeBlock(std::uint16_t info, std::uint16_t offset);

    void AddBlock(std::uint16_t info, std::uint16_t offset);
    // A group of four blocks; version B groups (B bit 11) carry C' as their third block.
    void AddGroup(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d);
    void AddBits(std::uint32_t value, int count);
    void AddZeros(int count) { m_bits.insert(m_bits.end(), count, false); }
    // Pseudo-random bits from a fixed seed (std::mt19937, the same on every platform).
    void AddNoise(int count, std::uint32_t seed);

    // Radio text in 2A groups, 4 characters per segment (blank-padded to 64).
    void AddRadioText(std::uint16_t pi, std::uint16_t bBase, int textAB, const std::string& text);

    void FlipBit(std::size_t index) { m_bits[index] = !m_bits[index]; }

    // The stream most significant bit first, the last byte filled with zeros.
    std::vector<std::uint8_t> Bytes() const;

private:
    std::vector<bool> m_bits;
};

}  // namespace tavik::test

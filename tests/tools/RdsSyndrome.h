#pragma once

#include <cstdint>
#include <vector>

namespace tavik::test {

// Syndrome of a 26-bit block by the parity-check matrix of IEC 62106 (first transmitted bit
// is bit 25 and selects the first row), written out here independently of the encoder.
std::uint16_t Syndrome(std::uint32_t block);

// Offset syndromes of A, B, C, C' and D as the standard lists them.
constexpr std::uint16_t kSyndromeA = 0x3D8;
constexpr std::uint16_t kSyndromeB = 0x3D4;
constexpr std::uint16_t kSyndromeC = 0x25C;
constexpr std::uint16_t kSyndromeCPrime = 0x3CC;
constexpr std::uint16_t kSyndromeD = 0x258;

// The 26-bit block starting at bit `first` of a stream of one bit per element.
std::uint32_t BlockAt(const std::vector<std::uint8_t>& bits, std::size_t first);

// A generated group read back from the stream by syndrome: the information words, or
// nothing when a block fails its check.
struct CCheckedGroup {
    std::uint16_t blocks[4] = {};
    bool bValid = false;
};
CCheckedGroup GroupAt(const std::vector<std::uint8_t>& bits, std::size_t first);

}  // namespace tavik::test

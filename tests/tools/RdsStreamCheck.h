#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rds/RDSSyndrome.h"

namespace tavik::test {

// The 26-bit block starting at bit `first` of a stream of one bit per element.
inline std::uint32_t BlockAt(const std::vector<std::uint8_t>& bits, std::size_t first) {
    std::uint32_t block = 0;
    for (std::size_t i = 0; i < 26; ++i) {
        block = block << 1 | (bits[first + i] & 1u);
    }
    return block;
}

// A generated group read back from the stream by the decoder's block check: the information
// words, valid only when each block carries its own offset (A, B, C, D).
struct CCheckedGroup {
    std::uint16_t blocks[4] = {};
    bool bValid = false;
};
inline CCheckedGroup GroupAt(const std::vector<std::uint8_t>& bits, std::size_t first) {
    CCheckedGroup group;
    group.bValid = true;
    for (int b = 0; b < 4; ++b) {
        const std::uint32_t block = BlockAt(bits, first + 26 * static_cast<std::size_t>(b));
        group.blocks[b] = static_cast<std::uint16_t>(block >> 10);
        group.bValid =
            group.bValid && CRDSSyndrome::Compute(block) == CRDSSyndrome::ExpectedSyndrome(b);
    }
    return group;
}

}  // namespace tavik::test

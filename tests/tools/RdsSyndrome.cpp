#include "tests/tools/RdsSyndrome.h"

namespace tavik::test {

std::uint16_t Syndrome(std::uint32_t block) {
    static const std::uint16_t kRows[26] = {
        0x200, 0x100, 0x080, 0x040, 0x020, 0x010, 0x008, 0x004, 0x002, 0x001, 0x2DC, 0x16E, 0x0B7,
        0x287, 0x39F, 0x313, 0x355, 0x376, 0x1BB, 0x201, 0x3DC, 0x1EE, 0x0F7, 0x2A7, 0x38F, 0x31B,
    };
    std::uint16_t syndrome = 0;
    for (int row = 0; row < 26; ++row) {
        if ((block >> (25 - row)) & 1u) {
            syndrome ^= kRows[row];
        }
    }
    return syndrome;
}

std::uint32_t BlockAt(const std::vector<std::uint8_t>& bits, std::size_t first) {
    std::uint32_t block = 0;
    for (std::size_t i = 0; i < 26; ++i) {
        block = block << 1 | (bits[first + i] & 1u);
    }
    return block;
}

CCheckedGroup GroupAt(const std::vector<std::uint8_t>& bits, std::size_t first) {
    static const std::uint16_t kExpected[4] = {kSyndromeA, kSyndromeB, kSyndromeC, kSyndromeD};
    CCheckedGroup group;
    group.bValid = true;
    for (std::size_t b = 0; b < 4; ++b) {
        const std::uint32_t block = BlockAt(bits, first + 26 * b);
        group.blocks[b] = static_cast<std::uint16_t>(block >> 10);
        if (Syndrome(block) != kExpected[b]) {
            group.bValid = false;
        }
    }
    return group;
}

}  // namespace tavik::test

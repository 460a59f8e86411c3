#include "tools/RdsEncoder.h"

namespace tavik {

std::uint16_t CRdsEncoder::Checkword(std::uint16_t info) {
    // Long division of info(x) x^10 by g(x), one information bit at a time (MSB first).
    std::uint32_t remainder = 0;
    for (int bit = 15; bit >= 0; --bit) {
        const std::uint32_t feedback = ((info >> bit) & 1u) ^ ((remainder >> 9) & 1u);
        remainder = (remainder << 1) & 0x3FFu;
        if (feedback != 0) {
            remainder ^= kGenerator & 0x3FFu;
        }
    }
    return static_cast<std::uint16_t>(remainder);
}

std::uint32_t CRdsEncoder::EncodeBlock(std::uint16_t info, Offset offset) {
    return static_cast<std::uint32_t>(info) << 10 | ((Checkword(info) ^ offset) & 0x3FFu);
}

void CRdsEncoder::AppendGroup(const CRdsGroup& group, std::vector<std::uint8_t>& bits) {
    const Offset offsets[4] = {OFFSET_A, OFFSET_B, group.bVersionB ? OFFSET_C_PRIME : OFFSET_C,
                               OFFSET_D};
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t block =
            EncodeBlock(group.blocks[static_cast<std::size_t>(i)], offsets[i]);
        for (int bit = kBlockBits - 1; bit >= 0; --bit) {
            bits.push_back(static_cast<std::uint8_t>((block >> bit) & 1u));
        }
    }
}

}  // namespace tavik

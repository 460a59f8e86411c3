#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tavik {

// One RDS group: the information words of blocks A, B, C (or C') and D.
struct CRdsGroup {
    std::array<std::uint16_t, 4> blocks{};
    bool bVersionB = false;  // block C then carries offset C'
};

// Block coding of IEC 62106: each 16-bit information word is followed by a 10-bit checkword,
// the remainder of m(x) x^10 modulo g(x) = x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1, to which
// the block's offset word is added. Built from the generator polynomial alone, so that a
// decoder working from syndromes checks it independently.
class CRdsEncoder {
public:
    enum Offset : std::uint16_t {
        OFFSET_A = 0x0FC,
        OFFSET_B = 0x198,
        OFFSET_C = 0x168,
        OFFSET_C_PRIME = 0x350,
        OFFSET_D = 0x1B4,
    };
    static constexpr std::uint16_t kGenerator = 0x5B9;  // x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1
    static constexpr int kBlockBits = 26;
    static constexpr int kGroupBits = 104;

    // The 10-bit remainder of info(x) x^10 modulo g(x), before the offset is added.
    static std::uint16_t Checkword(std::uint16_t info);
    // The 26-bit block, information word in bits 25-10.
    static std::uint32_t EncodeBlock(std::uint16_t info, Offset offset);
    // Appends the group's 104 bits, first transmitted bit first, one bit per element.
    static void AppendGroup(const CRdsGroup& group, std::vector<std::uint8_t>& bits);
};

}  // namespace tavik

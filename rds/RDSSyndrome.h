#pragma once

#include <cstdint>

namespace tavik {

// Block check of the RDS code: a block is a 26-bit window, 16 information bits followed by
// 10 check bits that carry the block's offset word. The syndrome of the window identifies the
// offset (and so the block position) of an undisturbed block.
class CRDSSyndrome {
public:
    static constexpr int kBlockBits = 26;
    static constexpr int kNoPosition = -1;

    // Offset syndromes of blocks A, B, C, C' and D.
    static constexpr std::uint16_t kSyndromeA = 0x3D8;
    static constexpr std::uint16_t kSyndromeB = 0x3D4;
    static constexpr std::uint16_t kSyndromeC = 0x25C;
    static constexpr std::uint16_t kSyndromeCPrime = 0x3CC;
    static constexpr std::uint16_t kSyndromeD = 0x258;

    // Syndrome bit 9 - r is the parity of the window bits selected by row r of the check
    // matrix (window bit 25 is the first bit received).
    static std::uint16_t Compute(std::uint32_t window);

    // Position 0-3 (A, B, C or C', D) of the first offset that the syndrome matches, tested in
    // position order; kNoPosition when it matches none.
    static int MatchPosition(std::uint16_t syndrome) {
        switch (syndrome) {
            case kSyndromeA:
                return 0;
            case kSyndromeB:
                return 1;
            case kSyndromeC:
            case kSyndromeCPrime:
                return 2;
            case kSyndromeD:
                return 3;
            default:
                return kNoPosition;
        }
    }

    // The offset syndrome expected at a position (C at position 2).
    static std::uint16_t ExpectedSyndrome(int position);

    // The information bit (0-15) whose single error gives `errorSyndrome` (the window's
    // syndrome XOR the expected offset syndrome); -1 when no single information-bit error
    // explains it. Errors in the check bits are never corrected.
    static int CorrectableBit(std::uint16_t errorSyndrome);
};

}  // namespace tavik

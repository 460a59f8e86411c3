#include "rds/RDSSyndrome.h"

#include <array>

namespace tavik {

namespace {

// Parity-check matrix of the RDS block code (IEC 62106), one row of 10 bits per window bit,
// from the first bit received (window bit 25) to the last. The first ten rows are the unit
// matrix; each further row is x^-1 times the previous one modulo the generator polynomial
// x^10 + x^8 + x^7 + x^5 + x^4 + x^3 + 1.
constexpr std::array<std::uint16_t, 26> kCheckMatrix = {
    0x200, 0x100, 0x080, 0x040, 0x020, 0x010, 0x008, 0x004, 0x002, 0x001, 0x2DC, 0x16E, 0x0B7,
    0x287, 0x39F, 0x313, 0x355, 0x376, 0x1BB, 0x201, 0x3DC, 0x1EE, 0x0F7, 0x2A7, 0x38F, 0x31B,
};

// Row r of the transposed matrix: the window bits that take part in syndrome bit 9 - r.
constexpr std::array<std::uint32_t, 10> MakeSyndromeRows() {
    std::array<std::uint32_t, 10> rows{};
    for (int r = 0; r < 10; ++r) {
        for (int i = 0; i < 26; ++i) {
            if (kCheckMatrix[i] & (0x200u >> r)) {
                rows[r] |= 1u << (25 - i);
            }
        }
    }
    return rows;
}
constexpr std::array<std::uint32_t, 10> kSyndromeRows = MakeSyndromeRows();

constexpr unsigned Parity(std::uint32_t x) {
    x ^= x >> 16;
    x ^= x >> 8;
    x ^= x >> 4;
    x ^= x >> 2;
    x ^= x >> 1;
    return x & 1u;
}

}  // namespace

std::uint16_t CRDSSyndrome::Compute(std::uint32_t window) {
    unsigned syndrome = 0;
    for (int r = 0; r < 10; ++r) {
        syndrome |= Parity(window & kSyndromeRows[r]) << (9 - r);
    }
    return static_cast<std::uint16_t>(syndrome);
}

std::uint16_t CRDSSyndrome::ExpectedSyndrome(int position) {
    constexpr std::array<std::uint16_t, 4> kExpected = {kSyndromeA, kSyndromeB, kSyndromeC,
                                                        kSyndromeD};
    return kExpected[position & 3];
}

int CRDSSyndrome::CorrectableBit(std::uint16_t errorSyndrome) {
    // Information bit 15 is the window's first bit (matrix row 0), bit 0 its 16th (row 15).
    for (int bit = 15; bit >= 0; --bit) {
        if (kCheckMatrix[15 - bit] == errorSyndrome) {
            return bit;
        }
    }
    return -1;
}

}  // namespace tavik

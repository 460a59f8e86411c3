#include <gtest/gtest.h>

#include "rds/RDSSyndrome.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik {
namespace {

using test::CRdsTestEncoder;

TEST(RDSSyndrome, EncodedBlocksGiveTheirOffsetSyndromes) {
    for (std::uint16_t info : {0x0000, 0xD313, 0xFFFF, 0x1234, 0x8001}) {
        const auto s = [&](std::uint16_t offset) {
            return CRDSSyndrome::Compute(CRdsTestEncoder::EncodeBlock(info, offset));
        };
        EXPECT_EQ(s(CRdsTestEncoder::kOffsetA), 0x3D8);
        EXPECT_EQ(s(CRdsTestEncoder::kOffsetB), 0x3D4);
        EXPECT_EQ(s(CRdsTestEncoder::kOffsetC), 0x25C);
        EXPECT_EQ(s(CRdsTestEncoder::kOffsetCPrime), 0x3CC);
        EXPECT_EQ(s(CRdsTestEncoder::kOffsetD), 0x258);
        EXPECT_EQ(s(0), 0);  // a code word without offset
    }
    EXPECT_EQ(CRDSSyndrome::MatchPosition(0x3D8), 0);
    EXPECT_EQ(CRDSSyndrome::MatchPosition(0x3D4), 1);
    EXPECT_EQ(CRDSSyndrome::MatchPosition(0x25C), 2);
    EXPECT_EQ(CRDSSyndrome::MatchPosition(0x3CC), 2);  // C' counts as the third block
    EXPECT_EQ(CRDSSyndrome::MatchPosition(0x258), 3);
    EXPECT_EQ(CRDSSyndrome::MatchPosition(0x000), CRDSSyndrome::kNoPosition);
}

TEST(RDSSyndrome, SingleErrorsInInformationBitsAreFoundButNotInCheckBits) {
    const std::uint16_t expected[16] = {0x313, 0x39F, 0x287, 0x0B7, 0x16E, 0x2DC, 0x001, 0x002,
                                        0x004, 0x008, 0x010, 0x020, 0x040, 0x080, 0x100, 0x200};
    const std::uint16_t offsets[4] = {CRdsTestEncoder::kOffsetA, CRdsTestEncoder::kOffsetB,
                                      CRdsTestEncoder::kOffsetC, CRdsTestEncoder::kOffsetD};
    for (int position = 0; position < 4; ++position) {
        const std::uint32_t block = CRdsTestEncoder::EncodeBlock(0xA5C3, offsets[position]);
        for (int bit = 0; bit < 16; ++bit) {
            const std::uint16_t errorSyndrome = CRDSSyndrome::Compute(block ^ (1u << (10 + bit))) ^
                                                CRDSSyndrome::ExpectedSyndrome(position);
            EXPECT_EQ(errorSyndrome, expected[bit]);
            EXPECT_EQ(CRDSSyndrome::CorrectableBit(errorSyndrome), bit);
        }
        for (int bit = 0; bit < 10; ++bit) {
            const std::uint16_t syndrome = CRDSSyndrome::Compute(block ^ (1u << bit));
            EXPECT_EQ(CRDSSyndrome::MatchPosition(syndrome), CRDSSyndrome::kNoPosition);
            EXPECT_EQ(
                CRDSSyndrome::CorrectableBit(syndrome ^ CRDSSyndrome::ExpectedSyndrome(position)),
                -1);
        }
    }
    EXPECT_EQ(CRDSSyndrome::CorrectableBit(0), -1);
}

}  // namespace
}  // namespace tavik

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

}  // namespace
}  // namespace tavik

#include <gtest/gtest.h>

#include "tests/tools/RdsStreamCheck.h"
#include "tools/Random.h"
#include "tools/RdsEncoder.h"
#include "tools/RdsScheduler.h"

namespace tavik {
namespace {

using namespace test;

// The generator's blocks against the decoder's block check, which the RDS tests hold to the
// standard's offset syndromes and single-error behaviour.
TEST(RdsEncoder, EveryOffsetChecks) {
    const CRdsEncoder::Offset offsets[] = {CRdsEncoder::OFFSET_A, CRdsEncoder::OFFSET_B,
                                           CRdsEncoder::OFFSET_C, CRdsEncoder::OFFSET_C_PRIME,
                                           CRdsEncoder::OFFSET_D};
    const std::uint16_t syndromes[] = {CRDSSyndrome::kSyndromeA, CRDSSyndrome::kSyndromeB,
                                       CRDSSyndrome::kSyndromeC, CRDSSyndrome::kSyndromeCPrime,
                                       CRDSSyndrome::kSyndromeD};
    CRandom random(3);
    for (int trial = 0; trial < 200; ++trial) {
        const auto info = static_cast<std::uint16_t>(random.Next());
        for (int o = 0; o < 5; ++o) {
            const std::uint32_t block = CRdsEncoder::EncodeBlock(info, offsets[o]);
            EXPECT_EQ(block >> 10, info);
            ASSERT_EQ(CRDSSyndrome::Compute(block), syndromes[o]) << std::hex << info;
        }
    }
    // The code is linear: checkwords of a sum are the sum of the checkwords.
    EXPECT_EQ(CRdsEncoder::Checkword(0), 0);
    EXPECT_EQ(CRdsEncoder::Checkword(0x1234 ^ 0xF00F),
              CRdsEncoder::Checkword(0x1234) ^ CRdsEncoder::Checkword(0xF00F));
}

TEST(RdsEncoder, GroupBitsGoOutBlockByBlockMostSignificantFirst) {
    CRdsGroup group;
    group.blocks = {0xD313, 0x0548, 0xE0CD, 0x5441};
    std::vector<std::uint8_t> bits;
    CRdsEncoder::AppendGroup(group, bits);
    ASSERT_EQ(bits.size(), 104u);
    const CCheckedGroup read = GroupAt(bits, 0);
    EXPECT_TRUE(read.bValid);
    for (int b = 0; b < 4; ++b) {
        EXPECT_EQ(read.blocks[b], group.blocks[static_cast<std::size_t>(b)]);
    }
    // PI D313 as block A: checkword 0x177 with its offset.
    EXPECT_EQ(BlockAt(bits, 0), 0x34C4D77u);
    EXPECT_EQ(CRdsEncoder::EncodeBlock(0xD313, CRdsEncoder::OFFSET_A), 0x34C4D77u);

    group.bVersionB = true;  // C' in place of C
    bits.clear();
    CRdsEncoder::AppendGroup(group, bits);
    EXPECT_EQ(CRDSSyndrome::Compute(BlockAt(bits, 52)), CRDSSyndrome::kSyndromeCPrime);
}

TEST(RdsEncoder, PackBitsPutsTheFirstBitInTheTopOfTheByte) {
    const std::vector<std::uint8_t> bits = {1, 0, 0, 0, 0, 0, 0, 1, 0, 1, 1, 1, 1, 1, 1, 0, 1};
    EXPECT_EQ(CRdsScheduler::PackBits(bits), (std::vector<std::uint8_t>{0x81, 0x7E}));
}

}  // namespace
}  // namespace tavik

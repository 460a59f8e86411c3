#include <gtest/gtest.h>

#include "rds/RDSDecoder.h"
#include "rds/RDSSyndrome.h"
#include "tests/rds/RdsDecodeHelpers.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik {
namespace {

using namespace test;

constexpr std::uint16_t kGroup1A = 0x1540;     // 1A, TP, PTY 10
constexpr std::uint16_t kECCE1 = 0x00E1;       // 1A variant 0, extended country code E1
constexpr std::uint16_t kPIN15_14_5 = 0x7B85;  // PIN day 15, 14 h 5 min

TEST(RDSSyndrome, EncodedBlocksGiveTheirOffsetSyndromes) {
    using E = CRdsTestEncoder;
    const std::pair<std::uint16_t, std::uint16_t> offsets[] = {
        {E::kOffsetA, 0x3D8},      {E::kOffsetB, 0x3D4}, {E::kOffsetC, 0x25C},
        {E::kOffsetCPrime, 0x3CC}, {E::kOffsetD, 0x258}, {0, 0}};  // the last: no offset
    for (std::uint16_t info : {0x0000, 0xD313, 0xFFFF, 0x1234, 0x8001}) {
        for (const auto& [offset, syndrome] : offsets) {
            EXPECT_EQ(CRDSSyndrome::Compute(E::EncodeBlock(info, offset)), syndrome) << info;
        }
    }
    // C' counts as the third block.
    const std::pair<std::uint16_t, int> positions[] = {
        {0x3D8, 0}, {0x3D4, 1}, {0x25C, 2}, {0x3CC, 2}, {0x258, 3}, {0, CRDSSyndrome::kNoPosition}};
    for (const auto& [syndrome, position] : positions) {
        EXPECT_EQ(CRDSSyndrome::MatchPosition(syndrome), position) << syndrome;
    }
}

TEST(RDSDecoderSync, CleanStreamDecodesTheSameInAnyChunking) {
    CRdsTestEncoder encoder;
    AddLeadIn(encoder);
    for (int i = 0; i < 3; ++i) {
        AddPS(encoder);
    }
    encoder.AddGroup(kPI, kGroup1A, kECCE1, kPIN15_14_5);      // 1A variant 0: ECC E1, PIN
    encoder.AddRadioText(kPI, 0x2540, 0, "Tavik radio text");  // 2A, TP, PTY 10, A/B 0
    encoder.AddZeros(8);

    CRDSDecoder whole;
    DecodeStream(whole, encoder, 500);
    EXPECT_EQ(Fields(whole.GetData(), {&D::m_strPS, &D::m_strCountry}), "TAVIK FM|Libya|");
    EXPECT_EQ(whole.GetData().m_strRadioText.substr(0, 17), "Tavik radio text ");
    EXPECT_EQ(whole.m_dBitErrorRate, 0.0);

    // Groups spanning two chunks are decoded and counted once, their open blocks neither as
    // errors nor twice.
    for (int chunkBytes : {1, 7, 13, 33, 100}) {
        CRDSDecoder chunked;
        DecodeStream(chunked, encoder, chunkBytes);
        EXPECT_EQ(chunked.GetData(), whole.GetData()) << chunkBytes;
        EXPECT_EQ(chunked.m_nGroupCount, whole.m_nGroupCount) << chunkBytes;
        EXPECT_EQ(chunked.m_dBitErrorRate, 0.0) << chunkBytes;
    }
}

TEST(RDSDecoderSync, CPrimeIsTakenAsTheThirdBlock) {
    const CRDSDecoder decoder = DecodeGroups([](CRdsTestEncoder& e) {
        for (int i = 0; i < 3; ++i) {
            e.AddGroup(kPI, 0x0D48, kPI, 0x5441);  // 0B seg 0 "TA", C' = PI, music
            e.AddGroup(kPI, 0x0D49, kPI, 0x5649);  // 0B seg 1 "VI"
            e.AddGroup(kPI, 0x0D4A, kPI, 0x4B20);  // 0B seg 2 "K "
            e.AddGroup(kPI, 0x0D4B, kPI, 0x464D);  // 0B seg 3 "FM"
        }
    });
    EXPECT_EQ(decoder.GetData().m_strPS, "TAVIK FM");
    EXPECT_EQ(decoder.GetData().m_strAF, "");  // version B carries no frequencies
    EXPECT_EQ(decoder.m_dBitErrorRate, 0.0);
}

TEST(RDSDecoderSync, BlockOutOfPlaceEndsThePartialGroup) {
    const CRDSDecoder decoder = DecodeGroups(
        [](CRdsTestEncoder& e) {
            e.AddBlock(kPI, CRdsTestEncoder::kOffsetA);  // A and B of a 0A group, then no C
            e.AddBlock(0x0548, CRdsTestEncoder::kOffsetB);
            e.AddGroup(kPI, kGroup1A, kECCE1, kPIN15_14_5);
        },
        500);
    // The A where C is due opens the 1A group; the 0A blocks make no group with its C and D.
    EXPECT_EQ(decoder.m_nGroupCount, 3);
    EXPECT_EQ(Fields(decoder.GetData(), {&D::m_strPIN, &D::m_strCountry, &D::m_strMusicSpeech}),
              "15.  14:5|Libya||");
    EXPECT_DOUBLE_EQ(decoder.m_dBitErrorRate, 100.0 * 52 / (3 * 104 + 52));
}

// Offsets C and D differ by the syndrome of information bit 8. A radio text sent three times
// with that bit of block D inverted in 20 of its groups must come through whole: every such D
// is corrected where it stands, and no group is made of the blocks of two.
TEST(RDSDecoderSync, BitEightErrorsInBlockDKeepEveryGroup) {
    const std::string textA = "Hello World from Tavik, bit 8 of block D inverted in 20 groups";
    CRDSDecoder decoder = DecodeGroups([&](CRdsTestEncoder& e) {
        for (int i = 0; i < 3; ++i) {
            e.AddRadioText(kPI, 0x2540, 0, textA);  // 2A, A/B 0
        }
        for (std::size_t group = 0; group < 40; group += 2) {
            e.FlipBit(208 + 104 * group + 78 + 7);  // block D, information bit 8
        }
    });
    EXPECT_EQ(decoder.m_nGroupCount, 2 + 3 * 16);
    EXPECT_EQ(decoder.GetData().m_strLastRadioText, textA + "  ");
    EXPECT_EQ(decoder.m_dBitErrorRate, 0.0);
    // A/B 1: the next text
    DecodeMore(decoder, [](CRdsTestEncoder& e) { e.AddRadioText(kPI, 0x2540, 1, "Second text"); });
    EXPECT_EQ(decoder.GetData().m_strRadioText.substr(0, 12), "Second text ");
}

// Lead-in and one 1A group (ECC E1, PIN) with one bit of the 1A group inverted.
CRDSDecoder DecodeWithFlippedBit(int block, int bitInBlock) {
    return DecodeGroups(
        [&](CRdsTestEncoder& e) {
            e.AddGroup(kPI, kGroup1A, kECCE1, kPIN15_14_5);
            e.FlipBit(static_cast<std::size_t>(208 + 26 * block + bitInBlock));
        },
        500);
}

// A single error in the 16 information bits is corrected; one in the 10 check bits is not.
TEST(RDSDecoderSync, SingleErrorsAreCorrectedInInformationBitsOnly) {
    for (int block = 0; block < 4; ++block) {
        for (int bit = 0; bit < 26; ++bit) {
            SCOPED_TRACE(std::to_string(block) + ":" + std::to_string(bit));
            const CRDSDecoder decoder = DecodeWithFlippedBit(block, bit);
            const bool corrected = bit < 16;
            EXPECT_EQ(Fields(decoder.GetData(), {&D::m_strPIN, &D::m_strCountry, &D::m_strPI}),
                      corrected ? "15.  14:5|Libya|D313|" : "||D313|");
            EXPECT_EQ(decoder.m_dBitErrorRate > 0.0, !corrected);
        }
    }
}

TEST(RDSDecoderSync, NoiseShowsNoRDSAndClearsTheStationAtExactly100Percent) {
    CRDSDecoder decoder = DecodeGroups(
        [](CRdsTestEncoder& e) {
            for (int i = 0; i < 3; ++i) {
                AddPS(e);
            }
            e.AddRadioText(kPI, 0x2540, 0, "Tavik radio text");
        },
        1000);  // one chunk, no errors
    ASSERT_EQ(decoder.GetData().m_strPS, "TAVIK FM");

    // 19 chunks of noise: each shows "No RDS", the clean chunk keeps the rate below 100.
    for (int chunk = 0; chunk < 19; ++chunk) {
        CRdsTestEncoder noise;
        noise.AddNoise(4000, 1000 + chunk);
        DecodeStream(decoder, noise, 500);
        EXPECT_EQ(decoder.GetData().m_strPS, "No RDS") << chunk;
        EXPECT_LT(decoder.m_dBitErrorRate, 100.0) << chunk;
    }
    EXPECT_GT(decoder.m_dBitErrorRate, 95.0);
    EXPECT_EQ(Fields(decoder.GetData(), {&D::m_strPI, &D::m_strRadioText}).substr(0, 21),
              "D313|Tavik radio text");

    // The 20th pushes the clean chunk out of the ring: exactly 100 % clears the station.
    CRdsTestEncoder noise;
    noise.AddNoise(4000, 2000);
    DecodeStream(decoder, noise, 500);
    EXPECT_EQ(decoder.m_dBitErrorRate, 100.0);
    EXPECT_EQ(
        Fields(decoder.GetData(), {&D::m_strPS, &D::m_strPI, &D::m_strPTY, &D::m_strRadioText}),
        "No RDS|||&& Clear Radio Text Field &&|");
}

TEST(RDSDecoderSync, NoiseFromTheStartIsAtOnce100Percent) {
    CRdsTestEncoder noise;
    noise.AddNoise(800, 7);
    CRDSDecoder decoder;
    DecodeStream(decoder, noise);
    EXPECT_EQ(decoder.m_dBitErrorRate, 100.0);
    EXPECT_EQ(decoder.GetData().m_strPS, "No RDS");
}

TEST(RDSDecoderSync, SettledFromThe22ndChunk) {
    CRdsTestEncoder encoder;
    AddLeadIn(encoder);
    AddPS(encoder);
    const auto bytes = encoder.Bytes();
    CRDSDecoder decoder;
    for (int chunk = 1; chunk <= 21; ++chunk) {
        decoder.Decode(bytes.data(), 10);
        EXPECT_EQ(decoder.m_nSettleCount, chunk);
        EXPECT_FALSE(decoder.m_bSettled) << chunk;
    }
    decoder.Decode(bytes.data(), 10);
    EXPECT_TRUE(decoder.m_bSettled);
    EXPECT_EQ(decoder.m_nSettleCount, 21);

    decoder.ResetSettling();
    EXPECT_FALSE(decoder.m_bSettled);
    EXPECT_EQ(decoder.m_nSettleCount, 0);
    decoder.Decode(bytes.data(), 0);
    EXPECT_EQ(decoder.m_nSettleCount, 1);
    EXPECT_FALSE(decoder.m_bSettled);
}

TEST(RDSDecoderSync, EmptyChunkChangesOnlyTheStatistics) {
    CRDSDecoder decoder;
    decoder.Decode(nullptr, 0);
    EXPECT_EQ(decoder.GetData(), CRDSData());
    EXPECT_EQ(decoder.m_dBitErrorRate, 0.0);  // no bits yet: a rate of 0, not 0/0
    EXPECT_EQ(decoder.m_nSettleCount, 1);
    EXPECT_EQ(decoder.GetData().m_strRadioText, std::string(64, ' '));
}

}  // namespace
}  // namespace tavik

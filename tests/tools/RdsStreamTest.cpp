#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "rds/RDSClockTime.h"
#include "rds/RDSDecoder.h"
#include "rds/RDSSyndrome.h"
#include "tests/support/TempFolder.h"
#include "tools/GeneratorOptions.h"
#include "tools/RdsEncoder.h"
#include "tools/RdsGroupBuilder.h"
#include "tools/RdsScheduler.h"
#include "tools/StationGenerator.h"

namespace tavik {
namespace {

using test::CTempFolder;

// The 26-bit block starting at bit `first` of a stream of one bit per element.
std::uint32_t BlockAt(const std::vector<std::uint8_t>& bits, std::size_t first) {
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
CCheckedGroup GroupAt(const std::vector<std::uint8_t>& bits, std::size_t first) {
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

constexpr double kBitRate = 1187.5;

// Every group of a generated stream, read back by syndrome from bit `first` on.
std::vector<CCheckedGroup> ReadGroups(const std::vector<std::uint8_t>& bits, std::size_t first) {
    std::vector<CCheckedGroup> groups;
    for (std::size_t at = first; at + 104 <= bits.size(); at += 104) {
        groups.push_back(GroupAt(bits, at));
    }
    return groups;
}

int Type(const CCheckedGroup& g) {
    return g.blocks[1] >> 12;
}

// The offsets' syndromes of the generator's blocks are pinned by the RDS tests, whose streams
// it encodes.
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

TEST(RdsSchedule, MinuteOfDefaultStreamPassesTheSyndromeCheckEverywhere) {
    const CGeneratorOptions options;
    const auto bits = CRdsScheduler::TransmittedBits(options, 71250);  // 60 s
    const auto groups = ReadGroups(bits, 0);
    ASSERT_EQ(groups.size(), 685u);
    std::map<int, int> types;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        ASSERT_TRUE(groups[i].bValid) << "group " << i;
        EXPECT_EQ(groups[i].blocks[0], 0xD313);
        EXPECT_EQ(groups[i].blocks[1] & 0x0800, 0) << "version A only";
        EXPECT_EQ((groups[i].blocks[1] >> 5) & 0x1F, 10) << "PTY";
        EXPECT_NE(groups[i].blocks[1] & 0x0400, 0) << "TP";
        ++types[Type(groups[i])];
    }
    // The 16-group pattern: half 0A, five 2A, one each of 1A, 10A, 14A; one 4A per minute.
    EXPECT_EQ(types.size(), 6u);
    EXPECT_EQ(types[4], 1);
    EXPECT_NEAR(types[0], 684 / 2, 1);
    EXPECT_NEAR(types[2], 684 * 5 / 16, 1);
    EXPECT_NEAR(types[1], 684 / 16, 1);
    EXPECT_NEAR(types[10], 684 / 16, 1);
    EXPECT_NEAR(types[14], 684 / 16, 1);
}

TEST(RdsSchedule, ClockTimeComesWithTheMinuteAndDecodesToTheStart) {
    CGeneratorOptions options;
    options.nStartTime = 1781517630;  // 2026-06-15 10:00:30 UTC
    options.nLocalOffset = 4;
    const auto groups = ReadGroups(CRdsScheduler::TransmittedBits(options, 104 * 1400), 0);
    std::vector<std::size_t> clock;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (Type(groups[i]) == 4) {
            clock.push_back(i);
        }
    }
    // 10:01 and 10:02 begin 30 s and 90 s in; each group lasts 104 bits (87.6 ms).
    ASSERT_EQ(clock.size(), 2u);
    for (std::size_t n = 0; n < 2; ++n) {
        const double start = static_cast<double>(clock[n] * 104) / kBitRate;
        EXPECT_GE(start, 30.0 + 60.0 * static_cast<double>(n));
        EXPECT_LT(start, 30.0 + 60.0 * static_cast<double>(n) + 104 / kBitRate);
        // As the RDS view decodes it: the date, and the local time two hours ahead of UTC.
        const CCheckedGroup& g = groups[clock[n]];
        std::string date, time;
        CRDSClockTime::Decode(g.blocks[1], g.blocks[2], g.blocks[3], date, time);
        EXPECT_EQ(date, "15. 6. 2026 ");
        EXPECT_EQ(time, n == 0 ? "12:01" : "12:02");
        EXPECT_EQ(g.blocks[3] & 0x3F, 4);  // +2 h: sign clear, four half hours
    }
}

TEST(RdsSchedule, NegativeLocalOffsetSetsTheSignBit) {
    CGeneratorOptions options;
    const CRdsGroupBuilder builder(options);
    // 2003-12-05 00:15 UTC, -1 h; the date's bits are the clock test's.
    const CRdsGroup g = builder.Group4A(1070583300, -2);
    EXPECT_EQ(g.blocks[3], (0u << 12) | (15u << 6) | (1u << 5) | 2u);
}

// The default station's stream through the decoder, as the receiver delivers it: 100-byte
// chunks of 20 s, long enough for both radio texts to be completed. Texts that follow from the
// fields checked here (traffic, coverage) are the decoder tests' subject.
TEST(RdsSchedule, EveryPlantedFieldDecodes) {
    const CGeneratorOptions options;
    const auto sent = CRdsScheduler::TransmittedBits(options, 23750);
    const auto bytes = CRdsScheduler::PackBits(CRdsScheduler::ReceivedBits(options, sent));
    CRDSDecoder decoder;
    std::set<std::string> completedTexts;
    for (std::size_t at = 0; at + 100 <= bytes.size(); at += 100) {
        decoder.Decode(bytes.data() + at, 100);
        completedTexts.insert(decoder.GetData().m_strLastRadioText);
    }
    const CRDSData& rds = decoder.GetData();
    EXPECT_EQ(rds.m_strPI, "D313");
    EXPECT_EQ(rds.m_strCountry, "Germany");
    EXPECT_EQ(rds.m_strLanguage, "German");
    EXPECT_EQ(rds.m_strPS, "TAVIK FM");
    EXPECT_EQ(rds.m_strPTYN, "Pop Hits");  // PTY and TP: bit by bit in every group above
    EXPECT_EQ(rds.m_strTAIndicator, "  ");
    EXPECT_EQ(rds.m_strMusicSpeech, "Music");
    EXPECT_EQ(rds.m_strPIN, "15.  10:0");  // the programme item began at the full hour
    EXPECT_EQ(rds.m_strTime, "12:00");     // the start, 10:00 UTC (its groups: the clock test)
    // The first group's pair was cleared with the PI change; the others follow in turn.
    EXPECT_EQ(rds.m_strAF, " 98.2MHz,  101.3MHz,   89.4MHz,   93.7MHz,  106.7MHz,  ");
    const auto padded = [](const std::string& text) {
        return (text + "\r" + std::string(64, ' ')).substr(0, 64);
    };
    EXPECT_TRUE(completedTexts.count(padded(options.strRadioText1))) << "text A";
    EXPECT_TRUE(completedTexts.count(padded(options.strRadioText2))) << "text B";
    EXPECT_TRUE(rds.m_bRadioTextComplete);
    EXPECT_EQ(rds.m_strEonPI, "D3A2");
    EXPECT_EQ(rds.m_strEonPS, "TAVIK TP");
    EXPECT_EQ(rds.m_strEonPTY, "Information");
    EXPECT_EQ(rds.m_strEonAF, " 91.6MHz,   94.5MHz,  ");
    EXPECT_EQ(rds.m_strEonTPIndicator, "TP");
    EXPECT_EQ(rds.m_strEonTAIndicator, "  ");
    EXPECT_EQ(decoder.m_dBitErrorRate, 0.0);

    // Decoder identification, which the decoder does not show: only d0, stereo.
    int di = 0;
    for (const CCheckedGroup& g : ReadGroups(sent, 0)) {
        if (Type(g) == 0) {
            di |= ((g.blocks[1] >> 2) & 1) << (3 - (g.blocks[1] & 3));
        }
    }
    EXPECT_EQ(di, 1);
}

// Without a subcarrier the receiver's RDS bits are noise: no group, no station.
TEST(RdsSchedule, NoRdsDeviationReceivesNoise) {
    CGeneratorOptions options;
    options.fRdsDeviation = 0.0;
    const auto sent = CRdsScheduler::TransmittedBits(options, 8000);
    const auto bytes = CRdsScheduler::PackBits(CRdsScheduler::ReceivedBits(options, sent));
    CRDSDecoder decoder;
    decoder.Decode(bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_EQ(decoder.m_nGroupCount, 0);  // what noise shows is the decoder tests' subject
}

TEST(RdsSchedule, AfListsOfEveryLength) {
    EXPECT_EQ(CRdsGroupBuilder::AfPairs({}), (std::vector<std::uint16_t>{224 << 8 | 205}));
    EXPECT_EQ(CRdsGroupBuilder::AfPairs({87.6, 107.9}),
              (std::vector<std::uint16_t>{226 << 8 | 1, 204 << 8 | 205}));
    EXPECT_EQ(CRdsGroupBuilder::RadioTextSegments(std::string(63, 'x')), 16);
    EXPECT_EQ(CRdsGroupBuilder::RadioTextSegments(std::string(64, 'x')), 16);
    EXPECT_EQ(CRdsGroupBuilder::RadioTextSegments("abc"), 1);
    EXPECT_EQ(CRdsGroupBuilder::RadioTextSegments("abcd"), 2);
    EXPECT_EQ(CRdsGroupBuilder::RadioText64("abcd").substr(0, 6), "abcd\r ");
    EXPECT_EQ(CRdsGroupBuilder::RadioText64(std::string(64, 'y')), std::string(64, 'y'));
}

// Whole 100-byte chunks of whole 104-bit groups, at least 100 groups: the file read twice over,
// as the looping receiver reads it, is one unbroken group sequence.
TEST(RdsSchedule, TheRecordingLoopsAsOneUnbrokenGroupSequence) {
    for (const auto& [seconds, size] : {std::pair{3.04, 1300u}, std::pair{20.0, 2600u}}) {
        CTempFolder folder;
        CGeneratorOptions options;
        options.strOutputFolder = folder.Path();
        options.fSeconds = seconds;
        CStationGenerator(options).Run();
        const std::vector<std::uint8_t> rds = folder.Read("rds.dat");
        EXPECT_EQ(rds.size(), size);  // 20 s are 23750 bits: two loops of 100 groups
        std::vector<std::uint8_t> bits;
        for (int pass = 0; pass < 2; ++pass) {
            for (const std::uint8_t byte : rds) {
                for (int bit = 7; bit >= 0; --bit) {
                    bits.push_back(static_cast<std::uint8_t>(byte >> bit & 1));
                }
            }
        }
        const std::vector<CCheckedGroup> groups = ReadGroups(bits, 0);
        EXPECT_EQ(groups.size(), bits.size() / 104);
        for (std::size_t i = 0; i < groups.size(); ++i) {
            ASSERT_TRUE(groups[i].bValid) << "group " << i << " of " << seconds << " s";
        }
    }
}

TEST(RdsSchedule, NoiseLeadAndBitErrors) {
    CGeneratorOptions options;
    options.nNoiseBits = 50;
    options.fBitErrorRate = 0.02;
    const auto sent = CRdsScheduler::TransmittedBits(options, 20000);
    const auto groups = ReadGroups(sent, 50);
    for (const CCheckedGroup& g : groups) {
        ASSERT_TRUE(g.bValid);
    }
    // The stream starts on a minute; its clock time comes second.
    EXPECT_EQ(Type(groups[0]), 0);
    EXPECT_EQ(Type(groups[1]), 4);
    const auto received = CRdsScheduler::ReceivedBits(options, sent);
    int flipped = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        flipped += sent[i] != received[i] ? 1 : 0;
    }
    EXPECT_GT(flipped, 300);
    EXPECT_LT(flipped, 500);
    options.fBitErrorRate = 0.0;
    EXPECT_EQ(CRdsScheduler::ReceivedBits(options, sent), sent);
}

}  // namespace
}  // namespace tavik

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/tools/RdsSyndrome.h"
#include "tools/GeneratorOptions.h"
#include "tools/RdsGroupBuilder.h"
#include "tools/RdsScheduler.h"

namespace tavik {
namespace {

using namespace test;

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

std::string Chars(std::uint16_t word) {
    return {static_cast<char>(word >> 8), static_cast<char>(word & 0xFF)};
}

// Date from MJD as receivers compute it (IEC 62106 Annex G).
void DateFromMjd(std::uint32_t mjd, int& year, int& month, int& day) {
    const int y1 = static_cast<int>((mjd - 15078.2) / 365.25);
    const int m1 = static_cast<int>((mjd - 14956.1 - static_cast<int>(y1 * 365.25)) / 30.6001);
    day = static_cast<int>(mjd) - 14956 - static_cast<int>(y1 * 365.25) -
          static_cast<int>(m1 * 30.6001);
    const int k = (m1 == 14 || m1 == 15) ? 1 : 0;
    year = 1900 + y1 + k;
    month = m1 - 1 - 12 * k;
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
        const CCheckedGroup& g = groups[clock[n]];
        const std::uint32_t mjd = (g.blocks[1] & 3u) << 15 | g.blocks[2] >> 1;
        int year = 0, month = 0, day = 0;
        DateFromMjd(mjd, year, month, day);
        EXPECT_EQ(year, 2026);
        EXPECT_EQ(month, 6);
        EXPECT_EQ(day, 15);
        const int hour = (g.blocks[2] & 1) << 4 | g.blocks[3] >> 12;
        EXPECT_EQ(hour, 10);
        EXPECT_EQ((g.blocks[3] >> 6) & 0x3F, static_cast<int>(n) + 1);
        EXPECT_EQ(g.blocks[3] & 0x3F, 4);  // +2 h: sign clear, four half hours
    }
}

TEST(RdsSchedule, NegativeLocalOffsetSetsTheSignBit) {
    CGeneratorOptions options;
    const CRdsGroupBuilder builder(options);
    // 2003-12-05 00:15 UTC, -1 h (MJD 52978).
    const CRdsGroup g = builder.Group4A(1070583300, -2);
    EXPECT_EQ(CRdsGroupBuilder::ModifiedJulianDay(1070583300), 52978u);
    EXPECT_EQ(g.blocks[3], (0u << 12) | (15u << 6) | (1u << 5) | 2u);
    EXPECT_EQ(g.blocks[1] & 3, (52978 >> 15) & 3);
    EXPECT_EQ(g.blocks[2], (52978 & 0x7FFF) << 1);
}

TEST(RdsSchedule, StationTextsAssembleFromTheirGroups) {
    const CGeneratorOptions options;
    const auto groups = ReadGroups(CRdsScheduler::TransmittedBits(options, 104 * 400), 0);
    std::string ps(8, '?'), ptyn(8, '?'), eonPS(8, '?');
    std::map<int, std::string> text[2];  // by A/B flag, then segment
    std::vector<std::uint16_t> afPairs;
    int di = 0;
    for (const CCheckedGroup& g : groups) {
        const int type = Type(g);
        if (type == 0) {
            const int s = g.blocks[1] & 3;
            ps.replace(static_cast<std::size_t>(2 * s), 2, Chars(g.blocks[3]));
            di |= ((g.blocks[1] >> 2) & 1) << (3 - s);
            EXPECT_EQ(g.blocks[1] & 0x18, 0x08) << "TA 0, music";
            afPairs.push_back(g.blocks[2]);
        } else if (type == 2) {
            const int flag = (g.blocks[1] >> 4) & 1;
            text[flag][g.blocks[1] & 0xF] = Chars(g.blocks[2]) + Chars(g.blocks[3]);
        } else if (type == 10) {
            ptyn.replace(static_cast<std::size_t>(4 * (g.blocks[1] & 1)), 4,
                         Chars(g.blocks[2]) + Chars(g.blocks[3]));
        } else if (type == 14) {
            EXPECT_EQ(g.blocks[3], 0xD3A2);
            EXPECT_NE(g.blocks[1] & 0x10, 0) << "TP(ON)";
            const int v = g.blocks[1] & 0xF;
            if (v <= 3) {
                eonPS.replace(static_cast<std::size_t>(2 * v), 2, Chars(g.blocks[2]));
            } else if (v == 4) {
                // Count 2 with 91.6 MHz, then 94.5 MHz with the filler.
                EXPECT_TRUE(g.blocks[2] == ((224 + 2) << 8 | 41) || g.blocks[2] == (70 << 8 | 205))
                    << g.blocks[2];
            } else {
                EXPECT_EQ(v, 13);
                EXPECT_EQ(g.blocks[2], 3 << 11) << "PTY(ON) 3, TA(ON) 0";
            }
        } else if (type == 1) {
            const int variant = (g.blocks[2] >> 12) & 7;
            EXPECT_EQ(g.blocks[2], variant == 0 ? 0x00E0 : 0x3008);
            EXPECT_EQ(g.blocks[3], 15 << 11 | 10 << 6) << "PIN: 15th, 10:00";
        }
    }
    EXPECT_EQ(ps, "TAVIK FM");
    EXPECT_EQ(ptyn, "Pop Hits");
    EXPECT_EQ(eonPS, "TAVIK TP");
    EXPECT_EQ(di, 1) << "only d0, stereo";
    // AF method A: count 5 with 106.7, then 98.2/101.3, then 89.4/93.7.
    ASSERT_GE(afPairs.size(), 3u);
    EXPECT_EQ(afPairs[0], (229 << 8) | 192);
    EXPECT_EQ(afPairs[1], (107 << 8) | 138);
    EXPECT_EQ(afPairs[2], (19 << 8) | 62);
    // Both texts, each ended by a carriage return and sent no further than its segment.
    const std::string texts[2] = {options.strRadioText1, options.strRadioText2};
    for (int flag = 0; flag < 2; ++flag) {
        std::string assembled;
        for (const auto& [segment, chars] : text[flag]) {
            EXPECT_EQ(segment * 4, static_cast<int>(assembled.size()));
            assembled += chars;
        }
        const std::string expected = texts[flag] + "\r";
        EXPECT_EQ(assembled.substr(0, expected.size()), expected);
        EXPECT_LT(assembled.size(), expected.size() + 4);
    }
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

TEST(RdsSchedule, NoiseLeadAndBitErrors) {
    CGeneratorOptions options;
    options.nNoiseBits = 50;
    options.fBitErrorRate = 0.02;
    const auto sent = CRdsScheduler::TransmittedBits(options, 20000);
    const auto groups = ReadGroups(sent, 50);
    for (const CCheckedGroup& g : groups) {
        ASSERT_TRUE(g.bValid);
    }
    EXPECT_EQ(Type(groups[0]), 4) << "the stream starts on a minute";
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

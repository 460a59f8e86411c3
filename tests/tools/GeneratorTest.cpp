// The generator: its command and files, and the RDS stream it encodes.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

#include "rds/RDSClockTime.h"
#include "rds/RDSDecoder.h"
#include "rds/RDSSyndrome.h"
#include "tests/support/TempFolder.h"
#include "tools/GenerateCommand.h"
#include "tools/GeneratorOptions.h"
#include "tools/RdsEncoder.h"
#include "tools/RdsGroupBuilder.h"
#include "tools/RdsScheduler.h"
#include "tools/StationGenerator.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
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

struct CGenerated {
    int code;         // 2 for a refused command line
    std::string err;  // what it wrote to the error stream
};

// `tavik generate OUTDIR` with these options.
CGenerated Generate(const std::string& folder, std::vector<std::string> options) {
    CLI::App app;
    CGenerateCommand generate(app);
    options.insert(options.begin(), {"generate", folder});
    std::reverse(options.begin(), options.end());
    try {
        app.parse(options);
    } catch (const CLI::ParseError& e) {
        return {2, e.what()};
    }
    std::ostringstream out, err;
    const int code = generate.Run(out, err);
    return {code, err.str()};
}

// Whole receiver blocks; the RDS file of whole 100-byte chunks of whole 104-bit groups, at least
// 100 groups, read twice over as the looping receiver reads it, is one unbroken group sequence.
TEST(StationGenerator, WritesWholeReceiverBlocks) {
    for (const auto& [seconds, rdsSize] : {std::pair{"3.04", 1300u}, std::pair{"20", 3900u}}) {
        CTempFolder folder;
        ASSERT_EQ(Generate(folder.Path(), {"--seconds", seconds}).code, 0);
        const std::vector<std::uint8_t> rds = folder.Read("rds.dat");
        EXPECT_EQ(rds.size(), rdsSize);  // 20 s carry 23752 bits: three loops, not two
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
    CTempFolder folder;
    ASSERT_EQ(Generate(folder.Path(), {"--seconds", "3.04"}).code, 0);
    EXPECT_EQ(folder.Read("mpx.dat").size(), 1200000u);  // thirty 100 ms blocks of 20000 samples
    EXPECT_EQ(folder.Read("lev.dat").size(), 1200000u);
    EXPECT_EQ(folder.Read("panormama.dat").size(), 2u * 821);
    const auto text = folder.Read("station.txt");
    const std::string station(text.begin(), text.end());
    EXPECT_NE(station.find("PI D313, PS \"TAVIK FM\""), std::string::npos) << station;
    EXPECT_NE(station.find("106.70  65.0  (this station)"), std::string::npos) << station;
}

TEST(StationGenerator, SameSeedSameFilesOtherSeedOtherFiles) {
    CTempFolder first, second, third;
    ASSERT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "7"}).code, 0);
    // Once there, recordings are replaced only with --force.
    const std::vector<std::uint8_t> before = first.Read("mpx.dat");
    EXPECT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "9"}).code, 1);
    EXPECT_EQ(first.Read("mpx.dat"), before);
    EXPECT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "7", "--force"}).code, 0);
    ASSERT_EQ(Generate(second.Path(), {"--seconds", "0.5", "--seed", "7"}).code, 0);
    ASSERT_EQ(Generate(third.Path(), {"--seconds", "0.5", "--seed", "8"}).code, 0);
    for (const char* name : {"mpx.dat", "lev.dat", "rds.dat", "panormama.dat", "station.txt"}) {
        EXPECT_EQ(first.Read(name), second.Read(name)) << name;
    }
    for (const char* name : {"mpx.dat", "lev.dat", "panormama.dat"}) {
        EXPECT_NE(first.Read(name), third.Read(name)) << name;
    }
}

TEST(StationGenerator, UnwritableFolderFailsWithExitCodeOne) {
    CTempFolder folder;
    folder.Write("blocked", {1});
    const CGenerated blocked = Generate(folder.File("blocked"), {"--seconds", "0.1"});
    EXPECT_EQ(blocked.code, 1);
    EXPECT_EQ(blocked.err.rfind("generate: Could not create folder \"" + folder.File("blocked"), 0),
              0u)
        << blocked.err;
    fs::create_directory(folder.File("out"));
    fs::create_directory(folder.File("out/mpx.dat"));  // a folder in the way
    const CGenerated inTheWay = Generate(folder.File("out"), {"--seconds", "0.1"});
    EXPECT_EQ(inTheWay.code, 1);
    EXPECT_EQ(inTheWay.err,
              "generate: Could not rename file \"" + folder.File("out/mpx.dat.part") + "\" (21)\n");
    // No part file is left, and station.txt, the mark of a complete set, is missing.
    EXPECT_FALSE(fs::exists(folder.File("out/station.txt")) ||
                 fs::exists(folder.File("out/lev.dat")));
    for (const auto& entry : fs::directory_iterator(folder.File("out"))) {
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    }
}

// The SigMF pair: its metadata keys and the data's length, one IQ sample per 1/rate s for the
// programme and the 6.25 ms of carrier around it (a lead-in for the receiver to settle, a tail
// for its delay). The RDS starts with 32 noise bits unless told otherwise.
TEST(IqGenerator, WritesSigMFWithTheStationOffCentre) {
    const struct {
        const char* datatype;
        const char* rate;
        std::size_t bytes;
        const char* written;
        double centre;
        const char* noiseBits;  // given, or none
        const char* described;
    } cases[] = {
        {"cu8", "1200000", 2 * 127500, "cu8", 106.45e6, nullptr, "after 32 noise bits"},
        {"ci16", "2400000", 4 * 255000, "ci16_le", 106.45e6, "0", "after 0 noise bits"},
        // no room beside the centre
        {"cf32", "400000", 8 * 42500, "cf32_le", 106.7e6, "5", "after 5 noise bits"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.datatype);
        CTempFolder folder;
        std::vector<std::string> options{"--seconds", "0.1",  "--iq", c.datatype, "--iq-rate",
                                         c.rate,      "--cn", "40",   "--echo",   "8,-6"};
        if (c.noiseBits != nullptr) {
            options.insert(options.end(), {"--rds-noise-bits", c.noiseBits});
        }
        const CGenerated run = Generate(folder.Path(), options);
        ASSERT_EQ(run.code, 0) << run.err;
        const auto description = folder.Read("station.txt");
        EXPECT_NE(std::string(description.begin(), description.end()).find(c.described),
                  std::string::npos);
        EXPECT_EQ(folder.Read("station.sigmf-data").size(), c.bytes);
        const auto text = folder.Read("station.sigmf-meta");
        const auto meta = nlohmann::json::parse(text.begin(), text.end());
        EXPECT_EQ(meta["global"]["core:datatype"], c.written);
        EXPECT_EQ(meta["global"]["core:sample_rate"], std::stod(c.rate));
        EXPECT_EQ(meta["global"]["tavik:full_scale_dbuv"], 77.0);  // 65 dBuV 12 dB below
        EXPECT_EQ(meta["captures"][0]["core:frequency"], c.centre);
    }
}

TEST(IqGenerator, RefusesWhatTheReceiverCannotTake) {
    CTempFolder folder;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--iq", "cs8"}, "--iq: \"cs8\" is none of cu8, ci16, cf32"},
        {{"--iq", "cu8", "--iq-rate", "300000"},
         "--iq-rate: \"300000\" is outside 400000 to 10000000"},
        {{"--iq", "cu8", "--iq-rate", "1234567"},
         "--iq-rate: \"1234567\" cannot be resampled to 400000 Hz (use a rate such as 1200000, "
         "2048000 or 2400000)"},
        {{"--echo", "8"}, "--echo: \"8\" is not DELAY_US,REL_DB"},
    };
    for (const auto& [options, message] : cases) {
        const CGenerated run = Generate(folder.Path(), options);
        EXPECT_EQ(run.code, 2) << message;
        EXPECT_EQ(run.err, message);
    }
    // In process the datatype is SigMF's; the option's short name is refused, not dereferenced.
    CGeneratorOptions options;
    options.strOutputFolder = folder.Path();
    options.fSeconds = 0.1;
    options.strIqDatatype = "cf32";
    EXPECT_THROW(CStationGenerator(options).Run(), std::invalid_argument);
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

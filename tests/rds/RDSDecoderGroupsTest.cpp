#include <gtest/gtest.h>

#include "rds/RDSDecoder.h"
#include "tests/rds/RdsDecodeHelpers.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik {
namespace {

using test::AddLeadIn;
using test::AddPS;
using test::CRdsTestEncoder;
using test::DecodeGroups;
using test::DecodeMore;
using test::DecodeStream;
using test::kPI;

// What a fresh decoder shows after the lead-in, the groups added by `add` and a padding byte.
template <typename Add>
CRDSData Decode(Add add) {
    return test::DecodeGroups(add).GetData();
}

TEST(RDSDecoderGroups, PSOnlyAfterEverySegmentWasSeenThreeTimesInARow) {
    const auto twice = Decode([](CRdsTestEncoder& e) {
        AddPS(e);
        AddPS(e);
        e.AddGroup(kPI, 0x0548, 0xCDCD, 0x5441);  // 0A seg 0 "TA"
        e.AddGroup(kPI, 0x0549, 0xCDCD, 0x5649);  // 0A seg 1 "VI"
        e.AddGroup(kPI, 0x054A, 0xCDCD, 0x4B20);  // 0A seg 2 "K "
    });
    EXPECT_EQ(twice.m_strPS, "");
    EXPECT_EQ(Decode([](CRdsTestEncoder& e) {
                  for (int i = 0; i < 3; ++i) {
                      AddPS(e);
                  }
              }).m_strPS,
              "TAVIK FM");
    // Another name for segment 1 in between restarts that segment's count.
    const auto interrupted = Decode([](CRdsTestEncoder& e) {
        AddPS(e);
        AddPS(e);
        e.AddGroup(kPI, 0x0549, 0xCDCD, 0x5858);  // 0A seg 1 "XX"
        AddPS(e);
        AddPS(e);
    });
    EXPECT_EQ(interrupted.m_strPS, "");
}

TEST(RDSDecoderGroups, ProgrammeTypeAndTrafficTexts) {
    auto data = Decode([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x0208, 0xCDCD, 0x2020);  // 0A seg 0: TP 0, PTY 16, TA 0, music
    });
    EXPECT_EQ(data.m_strPTY, "Weather");
    EXPECT_EQ(data.m_strTPIndicator, "  ");
    EXPECT_EQ(data.m_strTPText, "this programme does not carrie traffic announcements");
    EXPECT_EQ(data.m_strTAIndicator, "  ");
    EXPECT_EQ(data.m_strTAText, "no traffic announcements at the moment");
    EXPECT_EQ(data.m_strMusicSpeech, "Music");

    data = Decode([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x07F0, 0xCDCD, 0x2020);  // 0A seg 0: TP 1, PTY 31, TA 1, speech
    });
    EXPECT_EQ(data.m_strPTY, "Alarm - Alarm!");
    EXPECT_EQ(data.m_strTPIndicator, "TP");
    EXPECT_EQ(data.m_strTPText, "this programme carries traffic announcements");
    EXPECT_EQ(data.m_strTAIndicator, "TA");
    EXPECT_EQ(data.m_strTAText, "traffic announcements are being broadcast");
    EXPECT_EQ(data.m_strMusicSpeech, "Moderation");

    data = Decode([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x0208, 0xCDCD, 0x2020);  // 0A: PTY 16
        e.AddGroup(kPI, 0x0000, 0xCDCD, 0x2020);  // 0A with B = 0: PTY and TP stay
    });
    EXPECT_EQ(data.m_strPTY, "Weather");
    EXPECT_EQ(data.m_strTPText, "this programme does not carrie traffic announcements");
}

TEST(RDSDecoderGroups, TAWithoutTPMeansEONTrafficUntilTPReturns) {
    CRDSDecoder decoder = DecodeGroups([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x0158, 0xCDCD, 0x2020);  // 0A: TP 0, PTY 10, TA 1, music
        e.AddGroup(kPI, 0x5140, 0x0000, 0x0000);  // 5A: TP 0, PTY 10
    });
    const CRDSData& data = decoder.GetData();
    EXPECT_EQ(data.m_strTPText, "This Programme carries EON information");
    EXPECT_EQ(data.m_strTAText, "about other programs containig traffic announcements");
    EXPECT_EQ(data.m_strTAIndicator, "TA");
    EXPECT_EQ(data.m_strTPIndicator, "  ");  // set by the 0A group before its TA was read

    // 0A: TP 1, TA 0, speech
    DecodeMore(decoder, [](CRdsTestEncoder& e) { e.AddGroup(kPI, 0x0540, 0xCDCD, 0x2020); });
    EXPECT_EQ(decoder.GetData().m_strTPText, "this programme carries traffic announcements");
    EXPECT_EQ(decoder.GetData().m_strTAText, "no traffic announcements at the moment");
}

TEST(RDSDecoderGroups, PIAndAreaCoverage) {
    CRDSDecoder decoder;
    DecodeMore(decoder, [](CRdsTestEncoder& e) {
        e.AddGroup(0x0123, 0x5540, 0, 0);  // 5A, PI 0123
        e.AddGroup(0x0123, 0x5540, 0, 0);
        e.AddGroup(0x0000, 0x5540, 0, 0);  // block A zero: PI text stays
    });
    EXPECT_EQ(decoder.GetData().m_strPI, "123");
    EXPECT_EQ(decoder.GetData().m_strAreaCoverage, "International programme");
    EXPECT_EQ(Decode([](CRdsTestEncoder&) {}).m_strPI, "D313");
    EXPECT_EQ(Decode([](CRdsTestEncoder&) {}).m_strAreaCoverage, "Supra-regional programme");
}

TEST(RDSDecoderGroups, OneGroupWithAnotherPIKeepsTheDataTwoClearIt) {
    const auto station = [](CRdsTestEncoder& e) {
        for (int i = 0; i < 3; ++i) {
            AddPS(e);
        }
        e.AddGroup(kPI, 0x0548, 0xE30B, 0x5441);  // 0A seg 0 "TA", AF 3 follow, 88.6
        e.AddRadioText(kPI, 0x2540, 0, "Station text");
    };
    auto data = Decode([&](CRdsTestEncoder& e) {
        station(e);
        e.AddGroup(0x1234, 0x5540, 0, 0);  // 5A of PI 1234, once
        e.AddGroup(kPI, 0x5540, 0, 0);     // 5A of the station again
    });
    EXPECT_EQ(data.m_strPS, "TAVIK FM");
    EXPECT_EQ(data.m_strAF, " 88.6MHz,  ");
    EXPECT_EQ(data.m_strPI, "D313");
    EXPECT_EQ(data.m_strRadioText.substr(0, 12), "Station text");

    data = Decode([&](CRdsTestEncoder& e) {
        station(e);
        e.AddGroup(0x1234, 0x5540, 0, 0);  // 5A of PI 1234, twice: a new station
        e.AddGroup(0x1234, 0x5540, 0, 0);
    });
    EXPECT_EQ(data.m_strPS, "");
    EXPECT_EQ(data.m_strAF, "");
    EXPECT_EQ(data.m_strPI, "1234");
    EXPECT_EQ(data.m_strAreaCoverage, "National programme");
    EXPECT_EQ(data.m_strRadioText, std::string(64, ' '));
    EXPECT_EQ(data.m_strTAText, "");
}

TEST(RDSDecoderGroups, RadioTextIsPublishedWhenTheABFlagToggles) {
    const std::string first = "Tavik radio text number one";
    const auto padded = first + std::string(64 - first.size(), ' ');
    auto data = Decode([&](CRdsTestEncoder& e) { e.AddRadioText(kPI, 0x2540, 0, first); });
    EXPECT_EQ(data.m_strRadioText, padded);
    EXPECT_FALSE(data.m_bRadioTextComplete);
    EXPECT_EQ(data.m_strLastRadioText, "");

    data = Decode([&](CRdsTestEncoder& e) {
        e.AddRadioText(kPI, 0x2540, 0, first);
        e.AddGroup(kPI, 0x2553, 0x4E65, 0x7874);  // 2A seg 3, A/B 1: "Next"
    });
    EXPECT_EQ(data.m_strLastRadioText, padded);
    EXPECT_TRUE(data.m_bRadioTextComplete);
    EXPECT_EQ(data.m_strRadioText, std::string(12, ' ') + "Next" + std::string(48, ' '));

    // A single group 2 with the other flag is no completed text.
    data = Decode([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x2550, 0x4E65, 0x7874);  // 2A seg 0, A/B 1: "Next"
    });
    EXPECT_FALSE(data.m_bRadioTextComplete);
    EXPECT_EQ(data.m_strRadioText.substr(0, 4), "Next");
}

TEST(RDSDecoderGroups, RadioText2BFillsTheBufferTwoCharactersPerSegment) {
    const auto data = Decode([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x2D40, kPI, 0x4869);  // 2B seg 0, A/B 0: "Hi"
        e.AddGroup(kPI, 0x2D41, kPI, 0x2121);  // 2B seg 1: "!!"
        e.AddGroup(kPI, 0x2D50, kPI, 0x5959);  // 2B seg 0, A/B 1: "YY", completes "Hi!!"
    });
    EXPECT_EQ(data.m_strLastRadioText, "Hi!!" + std::string(60, ' '));
    EXPECT_EQ(data.m_strRadioText, std::string(64, ' '));  // shows the 2A characters only
}

TEST(RDSDecoderGroups, ClockTimeWithNegativeOffset) {
    const auto data = Decode([](CRdsTestEncoder& e) {
        // 4A: MJD 52978 (5 Dec 2003), UTC 0:15, offset -2 half hours.
        e.AddGroup(kPI, 0x4541, 0x9DE4, 0x03E2);
    });
    EXPECT_EQ(data.m_strTime, "23:15");
    EXPECT_EQ(data.m_strDate, "5. 12. 2003 ");
}

TEST(RDSDecoderGroups, ProgrammeItemNumberCountryAndLanguage) {
    auto data = Decode([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x1540, 0x00E0, 0x7B85);  // 1A variant 0: ECC E0, PIN 15. 14:5
        e.AddGroup(kPI, 0x1540, 0x3008, 0x7B85);  // 1A variant 3: language 8
    });
    EXPECT_EQ(data.m_strPIN, "15.  14:5");
    EXPECT_EQ(data.m_strCountry, "Germany");  // the names by code are the tables' tests
    EXPECT_EQ(data.m_strLanguage, "German");
    EXPECT_EQ(Decode([](CRdsTestEncoder& e) {
                  e.AddGroup(kPI, 0x1540, 0x302C, 0x0841);  // 1A variant 3: PIN 1. 1:1
              }).m_strPIN,
              "1.  1:1");

    data = Decode([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x1D40, kPI, 0x7B85);  // 1B: PIN only
    });
    EXPECT_EQ(data.m_strPIN, "15.  14:5");
    EXPECT_EQ(data.m_strCountry, "");  // empty until a 1A variant 0 arrives
}

TEST(RDSDecoderGroups, ProgrammeTypeName) {
    CRDSDecoder decoder = DecodeGroups([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0xA540, 0x5441, 0x5649);  // 10A seg 0, A/B 0: "TAVI"
        e.AddGroup(kPI, 0xA541, 0x4B50, 0x4F50);  // 10A seg 1: "KPOP"
    });
    const CRDSData& data = decoder.GetData();
    EXPECT_EQ(data.m_strPTYN, "TAVIKPOP");

    // 10A seg 1, A/B 1: "ROCK", blanks first
    DecodeMore(decoder, [](CRdsTestEncoder& e) { e.AddGroup(kPI, 0xA551, 0x524F, 0x434B); });
    EXPECT_EQ(decoder.GetData().m_strPTYN, "    ROCK");

    // After a reset the name is empty while the flag memory stays: the segment (10A seg 0,
    // A/B 1: "JAZZ") still lands in eight cells.
    decoder.ClearAll();
    DecodeMore(decoder, [](CRdsTestEncoder& e) { e.AddGroup(kPI, 0xA550, 0x4A41, 0x5A5A); });
    EXPECT_EQ(decoder.GetData().m_strPTYN, "JAZZ    ");
}

TEST(RDSDecoderGroups, ClearAllKeepsThePSStore) {
    CRDSDecoder decoder = DecodeGroups([](CRdsTestEncoder& e) {
        for (int i = 0; i < 3; ++i) {
            AddPS(e);
        }
        e.AddRadioText(kPI, 0x2540, 0, "Text");
        e.AddGroup(kPI, 0x2550, 0x4E65, 0x7874);  // 2A seg 0, A/B 1: completes "Text"
    });
    decoder.ClearAll();
    const CRDSData& data = decoder.GetData();
    EXPECT_EQ(data.m_strPS, "");
    EXPECT_EQ(data.m_strPI, "");
    EXPECT_EQ(data.m_strLastRadioText, "");
    EXPECT_TRUE(data.m_bRadioTextComplete);  // never cleared by the decoder
    EXPECT_EQ(data.m_strRadioText, "&& Clear Radio Text Field &&");

    // The repeat counts survive: one segment (0A seg 1 "VI") rebuilds the name, blanks elsewhere.
    DecodeMore(decoder, [](CRdsTestEncoder& e) { e.AddGroup(kPI, 0x0549, 0xCDCD, 0x5649); });
    EXPECT_EQ(data.m_strPS, "  VI    ");
    EXPECT_EQ(data.m_strRadioText, std::string(64, ' '));
}

}  // namespace
}  // namespace tavik

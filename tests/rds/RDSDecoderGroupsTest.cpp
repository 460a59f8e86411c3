#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "rds/RDSDecoder.h"
#include "tests/rds/RdsDecodeHelpers.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik {
namespace {

using namespace test;

// What a fresh decoder shows after the lead-in, the groups added by `add` and a padding byte.
template <typename Add>
CRDSData Decode(Add add) {
    return DecodeGroups(add).GetData();
}

const auto kTraffic = {&D::m_strPTY,         &D::m_strTPIndicator, &D::m_strTPText,
                       &D::m_strTAIndicator, &D::m_strTAText,      &D::m_strMusicSpeech};

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

// Single groups after the lead-in (blocks B, C, D of the station's PI) and the texts they set.
TEST(RDSDecoderGroups, FieldsOfSingleGroups) {
    using Groups = std::vector<std::array<std::uint16_t, 3>>;
    const struct {
        Groups groups;
        std::vector<Field> fields;
        const char* texts;
    } rows[] = {
        {{{0x0208, 0xCDCD, 0x2020}},  // 0A seg 0: TP 0, PTY 16, TA 0, music
         kTraffic,
         "Weather|  |this programme does not carry traffic announcements|  |no traffic "
         "announcements at the moment|Music|"},
        {{{0x07F0, 0xCDCD, 0x2020}},  // 0A seg 0: TP 1, PTY 31, TA 1, speech
         kTraffic,
         "Alarm - Alarm!|TP|this programme carries traffic announcements|TA|traffic "
         "announcements are being broadcast|Moderation|"},
        // 0A with PTY 16, then 0A with B = 0: PTY and TP stay.
        {{{0x0208, 0xCDCD, 0x2020}, {0x0000, 0xCDCD, 0x2020}},
         {&D::m_strPTY, &D::m_strTPText},
         "Weather|this programme does not carry traffic announcements|"},
        // 4A: MJD 52978 (5 Dec 2003), UTC 0:15, offset -2 half hours.
        {{{0x4541, 0x9DE4, 0x03E2}}, {&D::m_strTime, &D::m_strDate}, "23:15|5. 12. 2003 |"},
        // 1A variant 0: ECC E0, PIN 15. 14:5; 1A variant 3: language 8.
        {{{0x1540, 0x00E0, 0x7B85}, {0x1540, 0x3008, 0x7B85}},
         {&D::m_strPIN, &D::m_strCountry, &D::m_strLanguage},
         "15.  14:5|Germany|German|"},
        {{{0x1540, 0x302C, 0x0841}}, {&D::m_strPIN}, "1.  1:1|"},  // 1A variant 3: PIN 1. 1:1
        // 1B: PIN only; the country stays empty until a 1A variant 0 arrives.
        {{{0x1D40, kPI, 0x7B85}}, {&D::m_strPIN, &D::m_strCountry}, "15.  14:5||"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.texts);
        const CRDSData data = Decode([&](CRdsTestEncoder& e) {
            for (const auto& [b, c, d] : row.groups) {
                e.AddGroup(kPI, b, c, d);
            }
        });
        EXPECT_EQ(Fields(data, row.fields), row.texts);
    }
}

TEST(RDSDecoderGroups, TAWithoutTPMeansEONTrafficUntilTPReturns) {
    CRDSDecoder decoder = DecodeGroups([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x0158, 0xCDCD, 0x2020);  // 0A: TP 0, PTY 10, TA 1, music
        e.AddGroup(kPI, 0x5140, 0x0000, 0x0000);  // 5A: TP 0, PTY 10
    });
    // The TP indicator was set by the 0A group before its TA was read.
    EXPECT_EQ(Fields(decoder.GetData(), kTraffic),
              "Pop Music|  |This Programme carries EON information|TA|about other programs "
              "containing traffic announcements|Music|");

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
    EXPECT_EQ(Fields(decoder.GetData(), {&D::m_strPI, &D::m_strAreaCoverage}),
              "123|International programme|");
    EXPECT_EQ(Fields(Decode([](CRdsTestEncoder&) {}), {&D::m_strPI, &D::m_strAreaCoverage}),
              "D313|Supra-regional programme|");
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
    EXPECT_EQ(Fields(data, {&D::m_strPS, &D::m_strAF, &D::m_strPI}), "TAVIK FM| 88.6MHz,  |D313|");
    EXPECT_EQ(data.m_strRadioText.substr(0, 12), "Station text");

    data = Decode([&](CRdsTestEncoder& e) {
        station(e);
        e.AddGroup(0x1234, 0x5540, 0, 0);  // 5A of PI 1234, twice: a new station
        e.AddGroup(0x1234, 0x5540, 0, 0);
    });
    EXPECT_EQ(Fields(data, {&D::m_strPS, &D::m_strAF, &D::m_strPI, &D::m_strAreaCoverage,
                            &D::m_strTAText}),
              "||1234|National programme||");
    EXPECT_EQ(data.m_strRadioText, std::string(64, ' '));
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
        e.AddRadioText(kPI, 0x2540, 0, "Text");  // 2A seg 0-15, A/B 0: complete
    });
    decoder.ClearAll();
    const CRDSData& data = decoder.GetData();
    EXPECT_EQ(Fields(data, {&D::m_strPS, &D::m_strPI, &D::m_strLastRadioText}), "|||");
    EXPECT_TRUE(data.m_bRadioTextComplete);  // never cleared by the decoder
    EXPECT_EQ(data.m_strRadioText, "&& Clear Radio Text Field &&");

    // The repeat counts survive: one segment (0A seg 1 "VI") rebuilds the name, blanks elsewhere.
    // The radio text is collected anew: one segment of it (2A seg 15, blanks) is no text.
    DecodeMore(decoder, [](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0x0549, 0xCDCD, 0x5649);
        e.AddGroup(kPI, 0x254F, 0x2020, 0x2020);
    });
    EXPECT_EQ(data.m_strPS, "  VI    ");
    EXPECT_EQ(data.m_strRadioText, std::string(64, ' '));
    EXPECT_EQ(data.m_strLastRadioText, "");
}

constexpr std::uint16_t kPIOn = 0xD3A1;       // other network: Germany, supra-regional
constexpr std::uint16_t kOtherPIOn = 0x5222;  // a second one: Italy, national

// The other network "EON NAME" with TP(ON): PS(ON) in variants 0-3 in order.
void AddEonName(CRdsTestEncoder& e) {
    e.AddGroup(kPI, 0xE550, 0x454F, kPIOn);  // 14A variant 0, TP(ON): "EO"
    e.AddGroup(kPI, 0xE551, 0x4E20, kPIOn);  // 14A variant 1: "N "
    e.AddGroup(kPI, 0xE552, 0x4E41, kPIOn);  // 14A variant 2: "NA"
    e.AddGroup(kPI, 0xE553, 0x4D45, kPIOn);  // 14A variant 3: "ME"
}

TEST(RDSDecoderEon, PSOfTheOtherNetworkNeedsTheFourVariantsInOrder) {
    CRDSDecoder decoder = DecodeGroups([](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0xE550, 0x454F, kPIOn);  // 14A variant 0: "EO"
        e.AddGroup(kPI, 0xE552, 0x4E41, kPIOn);  // 14A variant 2 out of order: "NA"
        e.AddGroup(kPI, 0xE551, 0x4E20, kPIOn);  // 14A variant 1: "N "
        e.AddGroup(kPI, 0xE553, 0x4D45, kPIOn);  // 14A variant 3: "ME"
    });
    EXPECT_EQ(decoder.GetData().m_strEonPS, std::string(8, ' '));

    DecodeMore(decoder, AddEonName);
    // The padding byte before costs a few failed windows; the group after it still comes.
    EXPECT_EQ(decoder.GetData().m_strEonPS, "EON NAME");
}

TEST(RDSDecoderEon, NetworksAreRememberedAndRestoredByPIUntilClearAll) {
    const auto first = [](CRdsTestEncoder& e) {
        AddEonName(e);
        e.AddGroup(kPI, 0xE554, 0xE30B, kPIOn);  // 14A variant 4: AF(ON) 3 follow, 88.6
        e.AddGroup(kPI, 0xE55D, 0x1801, kPIOn);  // 14A variant 13: PTY(ON) 3, TA(ON)
    };
    CRDSDecoder decoder = DecodeGroups(first);
    const CRDSData& data = decoder.GetData();
    const auto eon = {&D::m_strEonPS,           &D::m_strEonPI,          &D::m_strEonCountry,
                      &D::m_strEonAreaCoverage, &D::m_strEonTPIndicator, &D::m_strEonTAIndicator,
                      &D::m_strEonPTY,          &D::m_strEonAF};
    EXPECT_EQ(Fields(data, eon),
              "EON NAME|D3A1|Germany|Supra-regional programme|TP|TA|Information| 88.6MHz,  |");
    EXPECT_EQ(data.m_strAF, "");  // the tuned station's list is apart

    // A second network: its data replaces the first one's, nothing of the first shows.
    DecodeMore(decoder, [](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0xE545, 0x0000, kOtherPIOn);  // 14A variant 5, TP(ON) 0, no PS
    });
    EXPECT_EQ(Fields(data, eon), "        |5222|Italy|National programme|  ||||");

    // Back to the first network: its name, frequencies, PTY and TA come back.
    DecodeMore(decoder, [](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0xE545, 0x0000, kPIOn);  // 14A variant 5 of the first network
        e.AddGroup(kPI, 0xE554, 0x0B1D, kPIOn);  // 14A variant 4: AF(ON) 88.6, 90.4
    });
    EXPECT_EQ(Fields(data, {&D::m_strEonPI, &D::m_strEonPS, &D::m_strEonPTY,
                            &D::m_strEonTAIndicator, &D::m_strEonAF}),
              "D3A1|EON NAME|Information|TA| 88.6MHz,   90.4MHz,  |");

    decoder.ClearAll();
    EXPECT_EQ(
        Fields(data, {&D::m_strEonPS, &D::m_strEonPI, &D::m_strEonAF, &D::m_strEonTPIndicator}),
        "||||");
}

// Four memory slots, filled in turn: four other networks after D3A1 ("EON NAME") push it out,
// three do not.
TEST(RDSDecoderEon, FourSlotsRoundRobin) {
    for (const int others : {4, 3}) {
        const CRDSDecoder decoder = DecodeGroups([&](CRdsTestEncoder& e) {
            AddEonName(e);
            for (int n = 1; n <= others; ++n) {
                e.AddGroup(kPI, 0xE545, 0x0000, 0x5200 + n);  // 14A variant 5 of network 520n
            }
            e.AddGroup(kPI, 0xE545, 0x0000, kPIOn);  // D3A1 again
        });
        EXPECT_EQ(decoder.GetData().m_strEonPS, others == 4 ? std::string(8, ' ') : "EON NAME");
    }
}

}  // namespace
}  // namespace tavik

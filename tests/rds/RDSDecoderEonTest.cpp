#include <gtest/gtest.h>

#include "rds/RDSDecoder.h"
#include "tests/rds/RdsDecodeHelpers.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik {
namespace {

using test::CRdsTestEncoder;
using test::DecodeGroups;
using test::DecodeMore;
using test::kPI;

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
    EXPECT_EQ(data.m_strEonPS, "EON NAME");
    EXPECT_EQ(data.m_strEonPI, "D3A1");
    EXPECT_EQ(data.m_strEonCountry, "Germany");
    EXPECT_EQ(data.m_strEonAreaCoverage, "Supra-regional programme");
    EXPECT_EQ(data.m_strEonTPIndicator, "TP");
    EXPECT_EQ(data.m_strEonTAIndicator, "TA");
    EXPECT_EQ(data.m_strEonPTY, "Information");
    EXPECT_EQ(data.m_strEonAF, " 88.6MHz,  ");
    EXPECT_EQ(data.m_strAF, "");  // the tuned station's list is apart

    // A second network: its data replaces the first one's, nothing of the first shows.
    DecodeMore(decoder, [](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0xE545, 0x0000, kOtherPIOn);  // 14A variant 5, TP(ON) 0, no PS
    });
    EXPECT_EQ(decoder.GetData().m_strEonPI, "5222");
    EXPECT_EQ(decoder.GetData().m_strEonCountry, "Italy");
    EXPECT_EQ(decoder.GetData().m_strEonAreaCoverage, "National programme");
    EXPECT_EQ(decoder.GetData().m_strEonTPIndicator, "  ");
    EXPECT_EQ(decoder.GetData().m_strEonPS, std::string(8, ' '));
    EXPECT_EQ(decoder.GetData().m_strEonAF, "");
    EXPECT_EQ(decoder.GetData().m_strEonPTY, "");
    EXPECT_EQ(decoder.GetData().m_strEonTAIndicator, "");

    // Back to the first network: its name, frequencies, PTY and TA come back.
    DecodeMore(decoder, [](CRdsTestEncoder& e) {
        e.AddGroup(kPI, 0xE545, 0x0000, kPIOn);  // 14A variant 5 of the first network
        e.AddGroup(kPI, 0xE554, 0x0B1D, kPIOn);  // 14A variant 4: AF(ON) 88.6, 90.4
    });
    EXPECT_EQ(decoder.GetData().m_strEonPI, "D3A1");
    EXPECT_EQ(decoder.GetData().m_strEonPS, "EON NAME");
    EXPECT_EQ(decoder.GetData().m_strEonPTY, "Information");
    EXPECT_EQ(decoder.GetData().m_strEonTAIndicator, "TA");
    EXPECT_EQ(decoder.GetData().m_strEonAF, " 88.6MHz,   90.4MHz,  ");

    decoder.ClearAll();
    for (const std::string* text :
         {&data.m_strEonPS, &data.m_strEonPI, &data.m_strEonAF, &data.m_strEonTPIndicator}) {
        EXPECT_EQ(*text, "");
    }
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

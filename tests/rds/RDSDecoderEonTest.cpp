#include <gtest/gtest.h>

#include "rds/RDSDecoder.h"
#include "tests/rds/RdsDecodeHelpers.h"
#include "tests/rds/RdsTestEncoder.h"

namespace tavik {
namespace {

using test::AddLeadIn;
using test::CRdsTestEncoder;
using test::DecodeStream;
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

CRDSDecoder DecodeFresh(const CRdsTestEncoder& groups) {
    CRdsTestEncoder encoder;
    AddLeadIn(encoder);
    CRDSDecoder decoder;
    DecodeStream(decoder, encoder);
    DecodeStream(decoder, groups);
    return decoder;
}

TEST(RDSDecoderEon, OtherNetworkTexts) {
    CRdsTestEncoder e;
    AddEonName(e);
    e.AddGroup(kPI, 0xE554, 0xE30B, kPIOn);  // 14A variant 4: AF(ON) 3 follow, 88.6
    e.AddGroup(kPI, 0xE55D, 0x1801, kPIOn);  // 14A variant 13: PTY(ON) 3, TA(ON)
    e.AddZeros(8);
    const CRDSDecoder decoder = DecodeFresh(e);
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
}

TEST(RDSDecoderEon, PSOfTheOtherNetworkNeedsTheFourVariantsInOrder) {
    CRdsTestEncoder e;
    e.AddGroup(kPI, 0xE550, 0x454F, kPIOn);  // 14A variant 0: "EO"
    e.AddGroup(kPI, 0xE552, 0x4E41, kPIOn);  // 14A variant 2 out of order: "NA"
    e.AddGroup(kPI, 0xE551, 0x4E20, kPIOn);  // 14A variant 1: "N "
    e.AddGroup(kPI, 0xE553, 0x4D45, kPIOn);  // 14A variant 3: "ME"
    e.AddZeros(8);
    CRDSDecoder decoder = DecodeFresh(e);
    EXPECT_EQ(decoder.GetData().m_strEonPS, std::string(8, ' '));

    CRdsTestEncoder more;
    AddEonName(more);
    more.AddZeros(8);
    DecodeStream(decoder, more);
    // The padding byte before costs a few failed windows; the group after it still comes.
    EXPECT_EQ(decoder.GetData().m_strEonPS, "EON NAME");
}

TEST(RDSDecoderEon, NetworksAreRememberedAndRestoredByPI) {
    CRdsTestEncoder e;
    AddEonName(e);
    e.AddGroup(kPI, 0xE554, 0xE30B, kPIOn);  // 14A variant 4: AF(ON) 88.6
    e.AddGroup(kPI, 0xE55D, 0x1801, kPIOn);  // 14A variant 13: PTY(ON) 3, TA(ON)
    // A second network: its data replaces the first one's, nothing of the first shows.
    e.AddGroup(kPI, 0xE545, 0x0000, kOtherPIOn);  // 14A variant 5, TP(ON) 0, no PS
    e.AddZeros(8);
    CRDSDecoder decoder = DecodeFresh(e);
    EXPECT_EQ(decoder.GetData().m_strEonPI, "5222");
    EXPECT_EQ(decoder.GetData().m_strEonCountry, "Italy");
    EXPECT_EQ(decoder.GetData().m_strEonAreaCoverage, "National programme");
    EXPECT_EQ(decoder.GetData().m_strEonTPIndicator, "  ");
    EXPECT_EQ(decoder.GetData().m_strEonPS, std::string(8, ' '));
    EXPECT_EQ(decoder.GetData().m_strEonAF, "");
    EXPECT_EQ(decoder.GetData().m_strEonPTY, "");
    EXPECT_EQ(decoder.GetData().m_strEonTAIndicator, "");

    // Back to the first network: its name, frequencies, PTY and TA come back.
    CRdsTestEncoder back;
    back.AddGroup(kPI, 0xE545, 0x0000, kPIOn);  // 14A variant 5 of the first network
    back.AddGroup(kPI, 0xE554, 0x0B1D, kPIOn);  // 14A variant 4: AF(ON) 88.6, 90.4
    back.AddZeros(8);
    DecodeStream(decoder, back);
    EXPECT_EQ(decoder.GetData().m_strEonPI, "D3A1");
    EXPECT_EQ(decoder.GetData().m_strEonPS, "EON NAME");
    EXPECT_EQ(decoder.GetData().m_strEonPTY, "Information");
    EXPECT_EQ(decoder.GetData().m_strEonTAIndicator, "TA");
    EXPECT_EQ(decoder.GetData().m_strEonAF, " 88.6MHz,   90.4MHz,  ");
}

TEST(RDSDecoderEon, FourSlotsRoundRobin) {
    CRdsTestEncoder e;
    AddEonName(e);  // network D3A1 named "EON NAME"
    // Four other networks push D3A1 out of the four memory slots.
    for (std::uint16_t pi : {0x5201, 0x5202, 0x5203, 0x5204}) {
        e.AddGroup(kPI, 0xE545, 0x0000, pi);  // 14A variant 5 of network pi
    }
    e.AddGroup(kPI, 0xE545, 0x0000, kPIOn);  // D3A1 again: forgotten
    e.AddZeros(8);
    EXPECT_EQ(DecodeFresh(e).GetData().m_strEonPS, std::string(8, ' '));

    CRdsTestEncoder recent;
    AddEonName(recent);
    for (std::uint16_t pi : {0x5201, 0x5202, 0x5203}) {
        recent.AddGroup(kPI, 0xE545, 0x0000, pi);  // 14A variant 5 of network pi
    }
    recent.AddGroup(kPI, 0xE545, 0x0000, kPIOn);  // D3A1 again: still remembered
    recent.AddZeros(8);
    EXPECT_EQ(DecodeFresh(recent).GetData().m_strEonPS, "EON NAME");
}

TEST(RDSDecoderEon, ClearAllEmptiesTheOtherNetworkTexts) {
    CRdsTestEncoder e;
    AddEonName(e);
    e.AddGroup(kPI, 0xE554, 0xE30B, kPIOn);  // 14A variant 4: AF(ON) 88.6
    e.AddZeros(8);
    CRDSDecoder decoder = DecodeFresh(e);
    decoder.ClearAll();
    EXPECT_EQ(decoder.GetData().m_strEonPS, "");
    EXPECT_EQ(decoder.GetData().m_strEonPI, "");
    EXPECT_EQ(decoder.GetData().m_strEonAF, "");
    EXPECT_EQ(decoder.GetData().m_strEonTPIndicator, "");
}

}  // namespace
}  // namespace tavik

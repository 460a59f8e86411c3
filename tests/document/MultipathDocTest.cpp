#include <gtest/gtest.h>

#include <cstring>

#include "device/PlaybackCalibration.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/analysis/MultipathTestSupport.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/document/RecordingLink.h"
#include "tests/support/ByteBuilder.h"

namespace tavik {
namespace {

using test::CRecordingLink;

struct MultipathDocFixture : test::CDocumentFixture {
    MultipathDocFixture() : CDocumentFixture(true) {
        doc->SetResultWindow(&window);
        doc->GetMultipath().SetSynchronous(true);
    }

    // One multipath pass through the document on a block with 75 kHz deviation.
    void AnalyseOneBlock() {
        const auto block = test::MakeBlock({30, 40, 50, 75, 60, 35, 45, 25, 55, 65},
                                           test::CCubicModel{0, 0, 1e-3});
        doc->GetMultipath().PostData(block.mpx.data(), 20000, block.level.data(), 20000);
        doc->AnalyseMultipath();
    }
};

TEST_F(MultipathDocFixture, DetectHardwareLoadsThePlaybackCalibration) {
    doc->OnDetectHardware();  // its hints are the lifecycle's test
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(), PlaybackCalibrationValues());
    EXPECT_TRUE(prompt.m_boxes.empty());

    // Reset clears the set in memory only; detecting the hardware brings it back.
    doc->ResetCalibration();
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(), (std::array<float, 4>{}));
    doc->OnDetectHardware();
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(), PlaybackCalibrationValues());
}

TEST_F(MultipathDocFixture, FailedLoadIsShownAndLeavesZeros) {
    doc->LoadCalibrators();
    ASSERT_NE(doc->GetMultipath().GetCalibrators()[3], 0.0f);

    CRecordingLink link;
    std::memset(link.eeprom, 0x5A, sizeof link.eeprom);
    link.readOk = false;
    doc->GetDevice().SetLink(&link);
    doc->LoadCalibrators();
    ExpectOneBox(
        "TransmitToEZUSB: No answer from hardware\n"
        "LoadCalibrators: Could not load multipath calibration values!\n",
        MB_ICONSTOP);
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(), (std::array<float, 4>{}));
    EXPECT_FALSE(doc->GetDevice().IsOpen());

    // The read goes to address 26 for 16 bytes; a good read gives the analyser those bytes.
    link.readOk = true;
    const float k[4] = {1.5f, -2.0f, 0.25f, 100.0f};
    std::memcpy(link.eeprom, k, sizeof k);
    doc->LoadCalibrators();
    EXPECT_EQ(link.Commands().back(), (std::vector<std::uint8_t>{CMD_EEPROM_READ, 26, 16}));
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(),
              (std::array<float, 4>{1.5f, -2.0f, 0.25f, 100.0f}));
}

TEST_F(MultipathDocFixture, CalibrateWritesTheAveragedCoefficients) {
    CRecordingLink link;
    doc->GetDevice().SetLink(&link);
    AnalyseOneBlock();
    const auto last = doc->GetMultipath().GetLastCoefficients();
    ASSERT_NE(last[3], 0.0f);

    doc->Calibrate();  // what the analyser does with the set is its own test's
    EXPECT_TRUE(prompt.m_boxes.empty());
    const auto commands = link.Commands();
    ASSERT_FALSE(commands.empty());
    test::CByteBuilder expected;
    expected.U8(CMD_EEPROM_WRITE).U8(26).U8(16);  // address 26, 16 bytes
    EXPECT_EQ(commands.back(),
              expected.F32(last[0]).F32(last[1]).F32(last[2]).F32(last[3]).Bytes());
    EXPECT_FALSE(doc->GetDevice().IsOpen());

    // A failed save is shown in a plain box; the set stays in memory.
    AnalyseOneBlock();
    const auto next = doc->GetMultipath().GetLastCoefficients();
    const auto before = doc->GetMultipath().GetCalibrators();
    link.writeOk = false;
    doc->Calibrate();
    ExpectOneBox(
        "TransmitToEZUSB: Could not send command\n"
        "SaveCalibrators: Could not save multipath calibration values!\n",
        MB_OK);
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(),
              (std::array<float, 4>{before[0] + next[0], before[1] + next[1], before[2] + next[2],
                                    next[3]}));
    EXPECT_FALSE(doc->GetDevice().IsOpen());
}

TEST_F(MultipathDocFixture, StoresThePostedResultAndStartZeroesItsValues) {
    AnalyseOneBlock();
    auto posts = test::Drain(window);
    ASSERT_EQ(posts.size(), 2u);
    ASSERT_EQ(posts[1].wParam, 8u);
    const auto posted = test::ResultOf(posts[1]);
    doc->OnMultipathResult(posted);
    const CMultipathResult* stored = doc->GetMultipathResult();
    EXPECT_NE(stored, posted.get());  // a copy: the posted record is released by its owner
    EXPECT_EQ(stored->m_slope, posted->m_slope);
    EXPECT_EQ(stored->m_nStatus, posted->m_nStatus);
    ASSERT_EQ(stored->m_fMultipath, posted->m_fMultipath);
    ASSERT_NE(stored->m_fMultipath, 0.0f);

    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    EXPECT_EQ(doc->GetMultipathResult()->m_fMultipath, 0.0f);
    EXPECT_EQ(doc->GetMultipathResult()->m_fLevel, 0.0f);
    EXPECT_EQ(doc->GetMultipathResult()->m_nStatus, posted->m_nStatus);
    doc->OnMeasurementStop();
}

TEST_F(MultipathDocFixture, EvenSecondsAnalyseAndTheStopClearsAFailure) {
    doc->OnMeasurementStart();
    ASSERT_TRUE(doc->IsRunning());
    doc->OnMainTimerEvent();  // 1 s: no pass
    EXPECT_TRUE(test::Drain(window).empty());
    doc->OnMainTimerEvent();  // 2 s: a pass on no data fails (its notice: the analyser's test)
    auto posts = test::Drain(window);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, WM_ANALYSER_ERROR);
    EXPECT_TRUE(doc->GetMultipath().IsBusy());

    doc->OnMeasurementStop();
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_FALSE(doc->GetMultipath().IsBusy());
    AnalyseOneBlock();
    posts = test::Drain(window);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].wParam, 8u);
}

}  // namespace
}  // namespace tavik

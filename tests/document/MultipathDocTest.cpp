#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "document/TAVIKSDIDoc.h"
#include "tests/analysis/MultipathTestSupport.h"
#include "tests/document/RecordingLink.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

using test::CRecordingLink;

class CHintRecorder : public CView {
public:
    void OnUpdate(CView*, long hint, void*) override { hints.push_back(hint); }
    std::vector<long> Take() { return std::exchange(hints, {}); }
    std::vector<long> hints;
};

// The calibration block of the recorded-data source.
const std::array<float, 4> kPlaybackCalibration = {2.0418300e-07f, -3.2233900e-05f, -0.00147089f,
                                                   139.558f};

struct MultipathDocFixture : ::testing::Test {
    MultipathDocFixture() {
        test::WriteOneBlockRecording(folder);
        doc->GetDevice().SetDataFolder(folder.Path());
        doc->GetDevice().SetPacers(&pace, &pace, &pace);
        doc->SetPrompt(&prompt);
        doc->AddView(&view);
        doc->SetResultWindow(&window);
        doc->GetMultipath().SetSynchronous(true);
    }
    ~MultipathDocFixture() override { doc->RemoveView(&view); }

    // One multipath pass through the document on a block with 75 kHz deviation.
    void AnalyseOneBlock() {
        std::array<double, 10> peaks = {30, 40, 50, 75, 60, 35, 45, 25, 55, 65};
        test::CCubicModel model;
        model.c2 = 1e-3;
        const auto block = test::MakeBlock(peaks, model);
        doc->GetMultipath().PostData(block.mpx.data(), 20000, block.level.data(), 20000);
        doc->AnalyseMultipath();
    }

    test::CTempFolder folder;
    CSteppedPacer pace;  // never stepped: no block arrives by itself
    CRecordingPrompt prompt;
    CHintRecorder view;
    CQueueTarget window;
    std::unique_ptr<CTAVIKSDIDoc> doc = std::make_unique<CTAVIKSDIDoc>();
};

TEST_F(MultipathDocFixture, DetectHardwareLoadsThePlaybackCalibration) {
    doc->OnDetectHardware();
    EXPECT_EQ(view.Take(), (std::vector<long>{HINT_HARDWARE_FOUND, HINT_FREQUENCY_CHANGED}));
    const auto& calib = doc->GetMultipath().GetCalibrators();
    for (int j = 0; j < 4; ++j) {
        EXPECT_FLOAT_EQ(calib[j], kPlaybackCalibration[j]) << j;
    }
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_FALSE(doc->GetDevice().IsOpen());

    // Reset clears the set in memory only; detecting the hardware brings it back.
    doc->ResetCalibration();
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(), (std::array<float, 4>{}));
    doc->OnDetectHardware();
    for (int j = 0; j < 4; ++j) {
        EXPECT_FLOAT_EQ(doc->GetMultipath().GetCalibrators()[j], kPlaybackCalibration[j]);
    }
}

TEST_F(MultipathDocFixture, FailedLoadIsShownAndLeavesZeros) {
    doc->LoadCalibrators();
    ASSERT_NE(doc->GetMultipath().GetCalibrators()[3], 0.0f);

    CRecordingLink link;
    std::memset(link.eeprom, 0x5A, sizeof link.eeprom);
    link.readOk = false;
    doc->GetDevice().SetLink(&link);
    doc->LoadCalibrators();
    ASSERT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_EQ(prompt.m_boxes[0].style, MB_ICONSTOP);
    EXPECT_EQ(prompt.m_boxes[0].text,
              "TransmitToEZUSB: No answer from hardware\n"
              "LoadCalibrators: Could not load multipath calibration values!\n");
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

    doc->Calibrate();
    EXPECT_TRUE(prompt.m_boxes.empty());
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(), last);
    EXPECT_EQ(doc->GetMultipath().GetCoefficients(), (std::array<float, 4>{}));
    const auto commands = link.Commands();
    ASSERT_FALSE(commands.empty());
    std::vector<std::uint8_t> expected = {CMD_EEPROM_WRITE, 26, 16};
    for (const float value : last) {
        const auto bits = std::bit_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            expected.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        }
    }
    EXPECT_EQ(commands.back(), expected);
    EXPECT_FALSE(doc->GetDevice().IsOpen());

    // A failed save is shown in a plain box; the set stays in memory.
    AnalyseOneBlock();
    const auto next = doc->GetMultipath().GetLastCoefficients();
    link.writeOk = false;
    doc->Calibrate();
    ASSERT_EQ(prompt.m_boxes.size(), 1u);
    EXPECT_EQ(prompt.m_boxes[0].style, MB_OK);
    EXPECT_EQ(prompt.m_boxes[0].text,
              "TransmitToEZUSB: Could not send command\n"
              "SaveCalibrators: Could not save multipath calibration values!\n");
    EXPECT_EQ(doc->GetMultipath().GetCalibrators(), next);
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
    EXPECT_EQ(stored->m_deviation, posted->m_deviation);
    EXPECT_EQ(stored->m_levelFit, posted->m_levelFit);
    EXPECT_EQ(stored->m_slope, posted->m_slope);
    EXPECT_EQ(stored->m_fMultipath, posted->m_fMultipath);
    EXPECT_EQ(stored->m_fLevel, posted->m_fLevel);
    EXPECT_EQ(stored->m_nStatus, posted->m_nStatus);
    EXPECT_EQ(stored->m_coeff, posted->m_coeff);
    EXPECT_EQ(stored->m_calib, posted->m_calib);
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
    doc->OnMainTimerEvent();  // 2 s: a pass on no data fails
    auto posts = test::Drain(window);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].message, WM_MULTIPATH_ERROR);
    EXPECT_EQ(posts[0].wParam, 11u);
    EXPECT_EQ(posts[0].lParam, 1);
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

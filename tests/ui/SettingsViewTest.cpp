// The parameter page: the grid rule on "Set" and the spins, the scan's point count, the locking
// hints, and a panorama scan of the generated band whose points reach the chart on the
// user-interface thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "charts/Display.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DocumentCommands.h"
#include "ui/RecentFileList.h"
#include "ui/SettingsView.h"

namespace tavik {
namespace {

class SettingsViewTest : public ::testing::Test {
protected:
    SettingsViewTest() {
        m_doc.SetPrompt(&m_prompt);
        m_view.resize(800, 500);
        m_view.OnInitialUpdate();
        m_doc.UpdateAllViews(nullptr, 0);
        m_doc.UpdateAllViews(nullptr, HINT_HARDWARE_FOUND);
    }
    template <typename T>
    T* Find(const char* name) {
        return m_view.findChild<T*>(QString::fromLatin1(name));
    }

    CRecordingPrompt m_prompt;
    CTAVIKSDIDoc m_doc;
    CSettingsView m_view{m_doc, nullptr};
};

TEST_F(SettingsViewTest, SetTunesTheNearestGridPointInsideTheBand) {
    const struct {
        const char* typed;
        float tuned;
    } cases[] = {{"110", 108.0f},       {"87.51", 87.5f}, {"80", 87.5f},  {"100.012", 100.0f},
                 {"100.013", 100.025f}, {"108", 108.0f},  {"87.5", 87.5f}};
    for (const auto& c : cases) {
        Find<QLineEdit>("frequency")->setText(QString::fromLatin1(c.typed));
        Find<QPushButton>("Set")->click();
        EXPECT_FLOAT_EQ(m_doc.GetProtocolHeaderRef().m_fFrequency, c.tuned) << c.typed;
        EXPECT_EQ(Find<QLineEdit>("frequency")->text(), c.typed);  // keeps what was typed
    }
    EXPECT_TRUE(m_prompt.m_boxes.empty());
}

// Scan from stays 0.2 MHz below the top of the band, scan to 0.2 MHz above its bottom, whether
// spun (0.05 MHz steps) or typed and entered.
TEST_F(SettingsViewTest, SpinsAndEnterKeepTheScanRangeApartFromTheBandEdges) {
    const struct {
        const char* field;
        const char* typed;
        int steps;  // 0: Return pressed instead
        float expected;
    } cases[] = {
        {"from", "107.7", 3, 107.8f}, {"from", "87.6", -4, 87.5f}, {"from", "108", 0, 107.8f},
        {"to", "87.8", -3, 87.7f},    {"to", "107.9", 4, 108.0f},  {"to", "87.5", 0, 87.7f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        const std::string field = c.field;
        QLineEdit* edit = Find<QLineEdit>(c.field);
        QSpinBox* spin = Find<QSpinBox>((field + "Spin").c_str());
        edit->setText(QString::fromLatin1(c.typed));
        for (int i = 0; i < std::abs(c.steps); ++i) {
            c.steps > 0 ? spin->stepUp() : spin->stepDown();
        }
        if (c.steps == 0) {
            QTest::keyClick(edit, Qt::Key_Return);
        }
        EXPECT_FLOAT_EQ(field == "from" ? m_view.GetScanFrom() : m_view.GetScanTo(), c.expected);
    }
    EXPECT_EQ(Find<QLineEdit>("from")->text(), "107.800");
    Find<QLineEdit>("frequency")->setText("107.990");
    Find<QSpinBox>("frequencySpin")->stepUp();
    EXPECT_EQ(Find<QLineEdit>("frequency")->text(), "108.000");
}

TEST_F(SettingsViewTest, HintsLockTheControls) {
    const struct {
        long hint;
        bool setEnabled;
        bool scanEnabled;
    } steps[] = {{0, false, false},
                 {HINT_HARDWARE_FOUND, true, true},
                 {HINT_SCAN_STARTED, false, true},
                 {HINT_SCAN_ENDED, true, true},
                 {HINT_MEASUREMENT_STARTED, false, false},
                 {HINT_MEASUREMENT_STOPPED, true, true},
                 {HINT_HARDWARE_ERROR, false, false}};
    for (const auto& step : steps) {
        m_doc.UpdateAllViews(nullptr, step.hint);
        EXPECT_EQ(Find<QPushButton>("Set")->isEnabled(), step.setEnabled) << step.hint;
        EXPECT_EQ(Find<QLineEdit>("from")->isReadOnly(), !step.setEnabled) << step.hint;
        EXPECT_EQ(Find<QPushButton>("Scan")->isEnabled(), step.scanEnabled) << step.hint;
    }
}

// The stereo decoder's fields: "Apply" hands them to the document and its MPX levels, or
// refuses them with the setup's range messages and changes nothing; a new setup shows its own.
TEST_F(SettingsViewTest, DecoderSettingsApplyOrAreRefusedWithTheirRange) {
    const std::string db = "The silence threshold must be a number above -90 and below 0 dB.";
    const std::string seconds = "The silence duration must be a whole number from 1 to 3600 s.";
    const struct {
        const char* deemphasis;
        const char* silenceDb;
        const char* silenceSeconds;
        std::string message;  // empty: taken
    } cases[] = {
        {"75 us", "-50.5", "30", ""},
        {"50 us", "0", "30", db},
        {"50 us", "-90", "30", db},
        {"50 us", "-89.9", "0", seconds},
        {"50 us", "-40", "3601", seconds},
        {"50 us", "-40", "2.5", seconds},
        {"50 us", "x", "10", "Please enter a number."},
        {"50 us", "-89.9", "3600", ""},
    };
    CProtocolHeader expected;
    for (const auto& c : cases) {
        m_prompt.m_boxes.clear();
        m_doc.SetModifiedFlag(false);
        Find<QRadioButton>(c.deemphasis)->setChecked(true);
        Find<QLineEdit>("silenceDb")->setText(QString::fromLatin1(c.silenceDb));
        Find<QLineEdit>("silenceSeconds")->setText(QString::fromLatin1(c.silenceSeconds));
        Find<QPushButton>("Apply")->click();
        if (c.message.empty()) {
            EXPECT_TRUE(m_prompt.m_boxes.empty()) << c.silenceDb;
            expected.m_nDeemphasis = std::string(c.deemphasis) == "75 us" ? 75 : 50;
            expected.m_fSilenceDb = std::stof(c.silenceDb);
            expected.m_nSilenceSeconds = std::stoi(c.silenceSeconds);
            EXPECT_TRUE(m_doc.IsModified());
        } else {
            ASSERT_EQ(m_prompt.m_boxes.size(), 1u) << c.silenceDb << " " << c.silenceSeconds;
            EXPECT_EQ(m_prompt.m_boxes[0].text, c.message);
            EXPECT_FALSE(m_doc.IsModified());
        }
        const CProtocolHeader& h = m_doc.GetProtocolHeaderRef();
        EXPECT_EQ(h.m_nDeemphasis, expected.m_nDeemphasis) << c.silenceDb;
        EXPECT_EQ(h.m_fSilenceDb, expected.m_fSilenceDb) << c.silenceDb;
        EXPECT_EQ(h.m_nSilenceSeconds, expected.m_nSilenceSeconds) << c.silenceDb;
        EXPECT_EQ(m_doc.GetMpxLevels().GetDeemphasis(), expected.m_nDeemphasis);
    }
    Find<QRadioButton>("75 us")->setChecked(true);
    Find<QPushButton>("Apply")->click();
    ASSERT_TRUE(m_doc.OnNewDocument());
    m_doc.UpdateAllViews(nullptr, 0);
    EXPECT_TRUE(Find<QRadioButton>("50 us")->isChecked());
    EXPECT_EQ(Find<QLineEdit>("silenceDb")->text(), "-40");
    EXPECT_EQ(Find<QLineEdit>("silenceSeconds")->text(), "10");
}

TEST_F(SettingsViewTest, ScanOfTheGeneratedBandShowsTheStationAtItsFrequency) {
    test::CWorkingDirectory cwd(test::Recording());
    test::CHintRecorder hints;
    m_doc.AddView(&hints);

    Find<QPushButton>("Scan")->click();
    EXPECT_EQ(m_view.GetPointCount(), 206);
    EXPECT_EQ(Find<QPushButton>("Scan")->text(), "Stop");
    ASSERT_TRUE(m_view.IsScanning());
    EXPECT_FALSE(Find<QPushButton>("Set")->isEnabled());  // HINT_SCAN_STARTED
    for (int i = 0; i < 600 && (m_view.IsScanning() || m_doc.IsPanoramaRunning() ||
                                hints.hints.back() != HINT_SCAN_ENDED);
         ++i) {
        QTest::qWait(50);
    }
    m_doc.RemoveView(&hints);
    ASSERT_FALSE(m_view.IsScanning());
    EXPECT_EQ(Find<QPushButton>("Scan")->text(), "Scan");
    EXPECT_EQ(Find<QProgressBar>("progress")->value(), 206);
    EXPECT_TRUE(Find<QPushButton>("Set")->isEnabled());  // HINT_SCAN_ENDED
    EXPECT_EQ(hints.hints.front(), HINT_SCAN_STARTED);
    EXPECT_EQ(hints.hints.back(), HINT_SCAN_ENDED);

    const SGraph* graph = m_view.GetChart().FindGraph(1);
    ASSERT_NE(graph, nullptr);
    ASSERT_EQ(graph->nCount, 206);
    // 106.7 MHz is point 192; the readings of the band are the scan command's subject.
    EXPECT_NEAR(graph->pXData[192], 106.7f, 1e-3f);
    EXPECT_NEAR(graph->pYData[192], 65.0f, 4.0f);
    EXPECT_TRUE(m_prompt.m_boxes.empty());
}

TEST_F(SettingsViewTest, FileNewDuringAScanEndsItAndLeavesThePageUsable) {
    test::CWorkingDirectory cwd(test::Recording());
    CRecentFileList recent;
    CDocumentCommands files(m_doc, recent, nullptr);
    Find<QPushButton>("Scan")->click();
    ASSERT_TRUE(m_view.IsScanning());

    ASSERT_TRUE(files.OnFileNew());
    EXPECT_TRUE(Find<QPushButton>("Set")->isEnabled());  // detected again: HINT_HARDWARE_FOUND
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_view.IsScanning(); }, 3000));
    EXPECT_EQ(Find<QPushButton>("Scan")->text(), "Scan");
    EXPECT_TRUE(Find<QPushButton>("Scan")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("from")->isReadOnly());
    EXPECT_TRUE(m_prompt.m_boxes.empty());
}

}  // namespace
}  // namespace tavik

// The RDS page: radio-text history, station change, settling display, the RDS character table.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>

#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "rds/RDSSnapshot.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/RDSView.h"

namespace tavik {
namespace {

// A radio text of 64 characters.
std::string Text64(const std::string& text) {
    std::string padded = text;
    padded.resize(64, ' ');
    return padded;
}

class RDSViewTest : public ::testing::Test {
protected:
    RDSViewTest() {
        m_doc.SetPrompt(&m_prompt);
        m_doc.AddView(&m_hints);
        m_snapshot.m_data.m_strPI = "D3C3";
        m_snapshot.m_data.m_strPS = "TAVIK FM";
    }
    ~RDSViewTest() override { m_doc.RemoveView(&m_hints); }

    // One pass that completed `text`.
    void Complete(const std::string& text) {
        m_snapshot.m_data.m_strLastRadioText = Text64(text);
        m_snapshot.m_data.m_strRadioText = Text64(text);
        m_snapshot.m_data.m_bRadioTextComplete = true;
        m_view.UpdateFromWorker(m_snapshot);
    }
    QString HistoryLine(int row) const { return m_view.GetHistory().item(row)->text().trimmed(); }

    CRecordingPrompt m_prompt;
    CTAVIKSDIDoc m_doc;
    test::CHintRecorder m_hints;
    CRDSView m_view{m_doc, nullptr};
    CRDSSnapshot m_snapshot;
};

TEST_F(RDSViewTest, HistoryKeepsTwentyDistinctTextsNewestFirst) {
    Complete("text 1");
    Complete("text 1");  // the newest line again: not inserted twice
    EXPECT_EQ(m_view.GetHistory().count(), 1);
    for (int i = 2; i <= 21; ++i) {
        Complete("text " + std::to_string(i));
    }
    ASSERT_EQ(m_view.GetHistory().count(), 20);
    EXPECT_EQ(HistoryLine(0), QStringLiteral("text 21"));
    EXPECT_EQ(HistoryLine(19), QStringLiteral("text 2"));  // the 21st pushed out "text 1"

    m_snapshot.m_data.m_strPI = "D3C4";  // another station: history first emptied
    Complete("other station");
    ASSERT_EQ(m_view.GetHistory().count(), 1);
    EXPECT_EQ(HistoryLine(0), QStringLiteral("other station"));
}

TEST_F(RDSViewTest, BitErrorRateSettlingSuffixAndColour) {
    m_snapshot.m_dBitErrorRate = 12.5;
    m_snapshot.m_bSettled = false;
    m_view.UpdateFromWorker(m_snapshot);
    m_view.RefreshControls();
    EXPECT_EQ(m_view.GetBitErrorRate().text(), QStringLiteral("12.500% settling process"));
    EXPECT_EQ(m_view.BitErrorRateColor(), QColor(160, 160, 160));
    m_snapshot.m_bSettled = true;
    m_view.UpdateFromWorker(m_snapshot);
    m_view.RefreshControls();
    EXPECT_EQ(m_view.GetBitErrorRate().text(), QStringLiteral("12.500%"));
    EXPECT_EQ(m_view.BitErrorRateColor(), QColor(0, 0, 255));

    m_view.OnUpdate(nullptr, HINT_MEASUREMENT_RESET, nullptr);
    EXPECT_TRUE(m_view.GetBitErrorRate().text().isEmpty());
    EXPECT_TRUE(m_view.FieldText("m_strPS").isEmpty());
}

TEST_F(RDSViewTest, RDSBytesShownThroughTheCharacterTable) {
    m_snapshot.m_data.m_strPS = "RADIO \x91\xD7";             // 0x91 ä, 0xD7 Ö
    m_snapshot.m_data.m_strRadioText = Text64("Gr\x9B\x8D");  // 0x9B ç, 0x8D ß
    m_view.UpdateFromWorker(m_snapshot);
    m_view.RefreshControls();
    EXPECT_EQ(m_view.FieldText("m_strPS"), QString::fromUtf8("RADIO \u00e4\u00d6"));
    EXPECT_EQ(m_view.CellText(2), QString::fromUtf8("\u00e7"));
    EXPECT_EQ(m_view.CellText(3), QString::fromUtf8("\u00df"));
    EXPECT_EQ(m_doc.m_strPSName, "RADIO \u00e4\u00d6");
    EXPECT_EQ(m_hints.hints, std::vector<long>{HINT_STATION_NAME});
    m_view.UpdateFromWorker(m_snapshot);  // the same PS: no second hint
    EXPECT_EQ(m_hints.hints.size(), 1u);
}

TEST_F(RDSViewTest, EmptyOtherNetworkPSBlanksItsFields) {
    m_snapshot.m_data.m_strEonPI = "D301";
    m_snapshot.m_data.m_strEonPTY = "Pop Music";
    m_snapshot.m_data.m_strEonCountry = "Germany";
    m_snapshot.m_data.m_strEonAF = "87.6";
    m_view.UpdateFromWorker(m_snapshot);
    m_view.RefreshControls();
    EXPECT_TRUE(m_view.FieldText("m_strEonPI").isEmpty());
    EXPECT_TRUE(m_view.FieldText("m_strEonPTY").isEmpty());
    EXPECT_TRUE(m_view.FieldText("m_strEonCountry").isEmpty());
    EXPECT_EQ(m_view.FieldText("m_strEonAF"), QStringLiteral("87.6"));
    m_snapshot.m_data.m_strEonPS = "OTHER   ";
    m_view.UpdateFromWorker(m_snapshot);
    m_view.RefreshControls();
    EXPECT_EQ(m_view.FieldText("m_strEonPI"), QStringLiteral("D301"));
}

}  // namespace
}  // namespace tavik

// The RDS page: radio-text history, station change, settling display, the RDS character table.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>

#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "rds/RDSDecoder.h"
#include "rds/RDSSnapshot.h"
#include "tests/rds/RdsDecodeHelpers.h"
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

// Decoded groups: the history holds only texts received whole, from their first segment on,
// and shows them as read, without the end mark and the padding; a run that starts after a
// reset adds no empty line.
TEST_F(RDSViewTest, HistoryHoldsOnlyTextsReceivedWhole) {
    CRDSDecoder decoder;
    const auto pass = [&](auto add) {
        test::DecodeMore(decoder, add);
        m_snapshot.m_data = decoder.GetData();
        m_view.UpdateFromWorker(m_snapshot);
    };
    const auto rest = [](test::CRdsTestEncoder& e) {
        e.AddGroup(test::kPI, 0x2541, 0x6F0D, 0x2020);  // 2A seg 1, A/B 0: "o", CR, blanks
    };
    const auto start = [](test::CRdsTestEncoder& e) {
        e.AddGroup(test::kPI, 0x2540, 0x4865, 0x6C6C);  // 2A seg 0: "Hell"
    };
    const auto history = [&] {
        QString lines;  // each line in brackets, so that an empty one shows
        for (int row = 0; row < m_view.GetHistory().count(); ++row) {
            lines += QLatin1Char('[') + m_view.GetHistory().item(row)->text() + QLatin1Char(']');
        }
        return lines;
    };
    pass([&](test::CRdsTestEncoder& e) {
        test::AddLeadIn(e);
        rest(e);  // the run joins the text at its end
    });
    EXPECT_EQ(history(), QString());
    pass(start);
    EXPECT_EQ(history(), QString());  // "o" came before the start: not yet whole
    pass(rest);
    EXPECT_EQ(history(), QStringLiteral("[Hello]"));

    decoder.ClearAll();  // the worker's reset at a stop
    m_snapshot.m_data = decoder.GetData();
    m_view.UpdateFromWorker(m_snapshot);
    pass(test::AddLeadIn);
    EXPECT_EQ(history(), QString());
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
    m_doc.OnStationDecoded(m_snapshot.m_data);  // the result router's call: the header's name
    EXPECT_EQ(m_doc.GetPSName(), "RADIO \u00e4\u00d6");
    EXPECT_EQ(m_hints.hints, std::vector<long>{HINT_STATION_NAME});
    m_doc.OnStationDecoded(m_snapshot.m_data);  // the same PS: no second hint
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

// At the page size of the smallest window and at 1280 x 800, no label, title or value is cut
// and the radio text reads whole.
TEST_F(RDSViewTest, EveryTextReadsWholeFromTheSmallestWindowOn) {
    m_snapshot.m_data.m_strAreaCoverage = "Supra-regional programme";
    m_snapshot.m_data.m_strPTYN = "Pop Hits";
    m_snapshot.m_data.m_strTPIndicator = "TP";
    m_snapshot.m_data.m_strTPText = "this programme carries traffic announcements";
    m_snapshot.m_data.m_strTAText = "no traffic announcements at the moment";
    const std::string text = "Tavik FM - the synthetic station for measurements";
    for (const QSize size : {QSize(670, 420), QSize(1150, 620)}) {
        m_view.resize(size);
        m_view.show();
        Complete(text);
        m_view.RefreshControls();
        for (const QLabel* label : m_view.findChildren<QLabel*>()) {
            if (!label->isVisibleTo(&m_view) || label->text().isEmpty()) {
                continue;
            }
            const std::string what =
                label->text().toStdString() + " at " + std::to_string(size.width());
            if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << what;
            } else {
                EXPECT_LE(label->sizeHint().width(), label->width()) << what;
            }
        }
        for (const QGroupBox* box : m_view.findChildren<QGroupBox*>()) {
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->title()) + 10, box->width())
                << box->title().toStdString();
        }
        const QLabel* line = m_view.findChild<QLabel*>(QStringLiteral("radioTextLine"));
        ASSERT_NE(line, nullptr);
        if (line->isVisibleTo(&m_view)) {
            EXPECT_EQ(line->text().toStdString(), text);
        }
    }
}

}  // namespace
}  // namespace tavik

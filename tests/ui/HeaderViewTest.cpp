// The protocol header strip: value formats, the truncation rules, the activity indicator's
// timing and the double click to the parameter page.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QTest>

#include "document/TAVIKSDIDoc.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/HeaderView.h"
#include "ui/MeasurementStatus.h"

namespace tavik {
namespace {

class HeaderViewTest : public ::testing::Test {
protected:
    HeaderViewTest() {
        m_view.resize(1000, 50);
        m_doc.AddView(&m_hints);
    }
    ~HeaderViewTest() override { m_doc.RemoveView(&m_hints); }
    QString Text(const char* name) const {
        return m_view.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    void SetNames(const std::string& name, const std::string& organisation) {
        CProtocolHeader header;
        header.m_strings[CProtocolHeader::OPERATOR] = name;
        header.m_strings[CProtocolHeader::ORGANISATION] = organisation;
        m_doc.SetProtocolHeader(header);
        m_doc.UpdateAllViews(nullptr, HINT_PROTOCOL_CHANGED);
    }

    // The station name as the document takes it from a decode pass.
    void ShowStation(const std::string& ps) {
        CRDSData data;
        data.m_strPS = ps;
        m_doc.OnStationDecoded(data);
    }

    CTAVIKSDIDoc m_doc;
    CHeaderView m_view{m_doc, nullptr};
    test::CHintRecorder m_hints;
};

TEST_F(HeaderViewTest, StationNameIsCutAfterEightCharactersAndNamesAfterTwentyOne) {
    const struct {
        std::string ps;
        const char* shown;
    } stations[] = {{"ANTENNE1", "ANTENNE1"}, {"ANTENNE12", "ANTENNE1..."}, {"", ""}};
    for (const auto& station : stations) {
        ShowStation(station.ps);
        EXPECT_EQ(Text("ps"), station.shown) << station.ps;
    }
    const std::string name21 = "Alexandra Johannsenn";  // 20
    SetNames(name21 + "X", name21 + "XY");
    EXPECT_EQ(Text("operator"), QString::fromStdString(name21 + "X"));
    EXPECT_EQ(Text("organisation"), "Alexandra Johannse...");
}

TEST_F(HeaderViewTest, FrequencyIsShownWithSevenPlacesAndThreeDecimals) {
    EXPECT_EQ(Text("frequency"), "???.??? MHz");
    m_doc.SetTunerFrequency(87.5f);
    m_doc.UpdateAllViews(nullptr, HINT_FREQUENCY_CHANGED);
    EXPECT_EQ(Text("frequency"), " 87.500 MHz");
    m_doc.SetTunerFrequency(107.975f);
    m_doc.UpdateAllViews(nullptr, 0);
    EXPECT_EQ(Text("frequency"), "107.975 MHz");
}

TEST_F(HeaderViewTest, IndicatorPlaysOnMultiplesOfFiveSecondsOnly) {
    const struct {
        long long seconds;
        const char* duration;
        int plays;
    } ticks[] = {
        {5, "0 Day(s); 00:00:05", 1},
        {6, "0 Day(s); 00:00:06", 1},
        {90061, "1 Day(s); 01:01:01", 1},
        {3610, "0 Day(s); 01:00:10", 2},
    };
    long long elapsed = 0;
    for (const auto& tick : ticks) {
        m_doc.SetTickSpan(CTimeSpan(tick.seconds - elapsed));  // one tick to the wanted time
        elapsed = tick.seconds;
        m_doc.OnMainTimerEvent();
        EXPECT_EQ(Text("duration"), tick.duration);
        EXPECT_EQ(m_view.GetAnimationPlays(), tick.plays) << tick.seconds;
    }
    EXPECT_TRUE(m_view.IsAnimating());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_view.IsAnimating(); }, 5000));
    EXPECT_FALSE(m_view.IsAnimating());

    ShowStation("RADIO");
    m_doc.UpdateAllViews(nullptr, HINT_MEASUREMENT_RESET);
    for (const char* field : {"ps", "started", "duration"}) {
        EXPECT_EQ(Text(field), "") << field;
    }
}

TEST_F(HeaderViewTest, DoubleClickOnTheFrequencyShowsTheParameterPage) {
    const QLabel* frequency = m_view.findChild<QLabel*>("frequency");
    QTest::mouseDClick(&m_view, Qt::LeftButton, {}, frequency->geometry().center());
    ASSERT_EQ(m_hints.hints.size(), 1u);
    EXPECT_EQ(m_hints.hints[0], HINT_SHOW_PAGE + 1);
    QTest::mouseDClick(&m_view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(m_hints.hints.size(), 1u);
}

// The logging field of the header (and the status bar) for each state of the document: a
// failed logging stands out in red, a switched-off one recedes in grey.
TEST(LoggingStateTextTest, EachStateHasItsTextAndColour) {
    using State = CTAVIKSDIDoc::ELoggingState;
    const struct {
        State state;
        const char* strText;
        QColor color;
        bool bBold;
    } cases[] = {
        {State::Off, "not logging", QColor(128, 128, 128), false},
        {State::On, "LOGGING", QColor(0, 0, 255), false},
        {State::Failed, "NOT LOGGING", QColor(220, 0, 0), true},
    };
    for (const auto& c : cases) {
        const SStatusText shown = LoggingStateText(c.state);
        EXPECT_EQ(shown.strText.toStdString(), c.strText);
        EXPECT_EQ(shown.color, c.color) << c.strText;
        EXPECT_EQ(shown.bBold, c.bBold) << c.strText;
    }
}

// At 800 px (the smallest window) every label is whole and every value field holds its widest
// usual text: fields in column order, apart by at least their labels,
// left of the indicator.
TEST_F(HeaderViewTest, EveryLabelAndValueFitsFromEightHundredPixels) {
    m_view.show();  // a hidden widget gets its resize event only when shown
    for (const int width : {800, 1280}) {
        m_view.resize(width, 50);
        QFont bold = m_view.font();
        bold.setBold(true);
        const QFontMetrics labels(bold);
        const QFontMetrics values(m_view.font());
        const struct {
            const char* field;
            const char* label;
            const char* widest;
            const QFontMetrics& metrics;
        } columns[] = {{"frequency", "CARRIER FREQUENCY:", "888.888 MHz", values},
                       {"started", "OPERATOR:", "September 30, 2026   23:59:59", values},
                       {"duration", "ORGANIZATION:", "99 Day(s); 23:59:59", values},
                       {"logging", "", "NOT LOGGING", labels}};  // bold, under the state
        int right = 0;
        for (const auto& column : columns) {
            const QRect field = m_view.findChild<QLabel*>(column.field)->geometry();
            EXPECT_GE(field.left() - right, labels.horizontalAdvance(column.label)) << width;
            EXPECT_GE(field.width(), column.metrics.horizontalAdvance(column.widest)) << width;
            right = field.right();
        }
        EXPECT_LE(right, width - 32) << width;
    }
}

}  // namespace
}  // namespace tavik

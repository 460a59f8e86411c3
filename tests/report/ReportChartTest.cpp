// The day charts: points per column without losing peaks, gaps left open, and the drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>

#include "report/ChartSeries.h"
#include "report/ReportCharts.h"
#include "report/TimeOfDayDisplay.h"

namespace tavik {
namespace {

constexpr std::uint32_t kMidnight = 1781474400;  // 2026-06-15 00:00:00 in Berlin

CResultRecord At(std::uint32_t offset, float deviation) {
    return {0.0f, deviation, 0.0f, kMidnight + offset};
}

TEST(ReportChartTest, AxisInMinutesOrHoursWithClockLabels) {
    struct SCase {
        std::uint32_t first, last;
        int unit;
        float from, to;
    };
    const SCase cases[] = {
        {36005, 36600, 60, 600.0f, 620.0f},         // 10:00:05..10:10:00 in minutes
        {36000, 36000 + 7199, 60, 600.0f, 720.0f},  // two hours: still minutes
        {36000, 36000 + 7200, 3600, 10.0f, 13.0f},
        {36000, 48599, 3600, 10.0f, 14.0f},  // to 13:29:59
        {36000, 64799, 3600, 10.0f, 18.0f},  // eight hours: ticks every hour
        {36000, 64800, 10800, 3.0f, 7.0f},   // longer: in three hours, 09:00 to 21:00
        {0, 86399, 10800, 0.0f, 8.0f},       // the whole day
    };
    for (const SCase& c : cases) {
        const CTimeAxis axis = MakeTimeAxis(kMidnight + c.first, kMidnight + c.last);
        EXPECT_EQ(axis.nMidnight, kMidnight);
        EXPECT_EQ(axis.nUnit, c.unit) << c.first << ".." << c.last;
        EXPECT_EQ(axis.fFrom, c.from) << c.first << ".." << c.last;
        EXPECT_EQ(axis.fTo, c.to) << c.first << ".." << c.last;
    }
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(750.0, 60), "12:30");
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(12.02, 3600), "12:01:12");
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(2.5, 3600), "02:30");
    EXPECT_EQ(CTimeOfDayDisplay::TimeOfDay(24.0, 3600), "24:00");
    // Labels in the zone in force at each tick: 29 March 2026 in Berlin has 23 hours.
    const std::uint32_t spring = 1774738800;  // 2026-03-29 00:00 CET
    EXPECT_EQ(CTimeOfDayDisplay::LocalTimeOfDay(1.0, 3600, spring), "01:00");
    EXPECT_EQ(CTimeOfDayDisplay::LocalTimeOfDay(2.0, 3600, spring), "03:00");  // clocks go on
    EXPECT_EQ(CTimeOfDayDisplay::LocalTimeOfDay(23.0, 3600, spring), "24:00");
}

TEST(ReportChartTest, ColumnsKeepLowAndHighInOrderAndGapsSplitSegments) {
    // One hour (in minutes) in 360 columns: 10 seconds a column.
    const CTimeAxis axis = MakeTimeAxis(kMidnight, kMidnight + 3599);
    std::vector<CResultRecord> seconds;
    for (std::uint32_t t = 0; t < 30; ++t) {
        seconds.push_back(At(t, 50.0f));
    }
    seconds[13].m_fDeviation = 101.0f;  // a single peak in column 1
    seconds[17].m_fDeviation = 20.0f;   // and after it the column's low
    seconds[25].m_fDeviation = NAN;     // no value: not a gap of its column
    seconds.push_back(At(55, 60.0f));   // alone in column 5 after empty columns 3 and 4
    seconds.push_back(At(70, INFINITY));
    const std::vector<CChartSegment> segments =
        MakeSegments(seconds, &CResultRecord::m_fDeviation, axis, 360, 0.0f, 110.0f);
    ASSERT_EQ(segments.size(), 3u);
    const auto minutes = [](double seconds) { return static_cast<float>(seconds / 60.0); };
    EXPECT_EQ(segments[0].x,
              (std::vector<float>{minutes(5), minutes(15), minutes(15), minutes(25)}));
    EXPECT_EQ(segments[0].y, (std::vector<float>{50.0f, 101.0f, 20.0f, 50.0f}));
    // A lone point becomes a level line across its column.
    EXPECT_EQ(segments[1].x, (std::vector<float>{minutes(50), minutes(60)}));
    EXPECT_EQ(segments[1].y, (std::vector<float>{60.0f, 60.0f}));
    EXPECT_EQ(segments[2].y, (std::vector<float>{110.0f, 110.0f}));  // infinity at the edge

    // The envelope of the same seconds: each column's low and high, in runs of neighbours.
    const std::vector<CEnvelopeRun> runs =
        MakeEnvelope(seconds, &CResultRecord::m_fDeviation, axis, 360, 0.0f, 110.0f);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].x, (std::vector<float>{minutes(5), minutes(15), minutes(25)}));
    EXPECT_EQ(runs[0].low, (std::vector<float>{50.0f, 20.0f, 50.0f}));
    EXPECT_EQ(runs[0].high, (std::vector<float>{50.0f, 101.0f, 50.0f}));
    EXPECT_EQ(runs[2].high, std::vector<float>{110.0f});

    // With a column or more per second every second is a point and every missing one a break.
    const std::vector<CChartSegment> fine =
        MakeSegments(seconds, &CResultRecord::m_fDeviation, axis, 4000, 0.0f, 110.0f);
    ASSERT_EQ(fine.size(), 4u);  // 0..24, 26..29, 55, 70
    EXPECT_EQ(fine[0].x.size(), 25u);
    EXPECT_EQ(fine[0].x[13], minutes(13.5));
    EXPECT_EQ(fine[1].x.size(), 4u);
}

// Renders the deviation chart of an hour whose middle 20 minutes have no records, at 70 kHz.
TEST(ReportChartTest, AGapIsShadedAndHasNoGraph) {
    CDayReport report;
    for (std::uint32_t t = 0; t < 3600; ++t) {
        if (t < 1200 || t >= 2400) {
            report.file.records.push_back(At(10 * 3600 + t, 70.0f));
        }
    }
    SummariseRecords(report);
    ASSERT_EQ(report.summary.gaps.size(), 1u);
    QImage image(900, 380, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    report_charts::DrawTimeChart(painter, image.rect(), report_charts::DeviationLook(), report);
    painter.end();

    // Count graph-blue pixels per column; the plot spans about 800 columns for the hour.
    auto blueRows = [&image](int x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            n += c.blue() > 120 && c.red() < 60 && c.green() < 100 ? 1 : 0;
        }
        return n;
    };
    const auto column = [&image](double fraction) {
        // The plot's right edge is 30 px in; its left edge about 62 px.
        return static_cast<int>(image.width() - 30 - (1.0 - fraction) * (image.width() - 93));
    };
    EXPECT_GT(blueRows(column(0.15)), 0);
    EXPECT_EQ(blueRows(column(0.5)), 0);  // in the gap: nothing drawn, not even at zero
    EXPECT_GT(blueRows(column(0.85)), 0);
    const QColor shade = image.pixelColor(column(0.5), image.height() / 2);
    EXPECT_LT(shade.red(), 250);  // the gap's grey band over the white plot
    EXPECT_EQ(shade.red(), shade.blue());
}

}  // namespace
}  // namespace tavik

#include "report/DailyReport.h"

#include <filesystem>

#include "platform/File.h"
#include "report/ReportCharts.h"
#include "report/ReportError.h"
#include "report/ReportPages.h"
#include "report/ReportTables.h"
#include "report/ReportTexts.h"

namespace tavik {

namespace {

// A log of more lines (an alarm flapping all day) lists its first ones; the summary counts all.
constexpr std::size_t kMaxEventLines = 2000;
constexpr int kChartHeight = 372;  // three day charts to a page
constexpr int kGap = 14;

void DrawChart(CReportPages& pages, int height, auto&& draw) {
    const int top = pages.Place(height);
    draw(pages.Painter(), QRect(0, top, pages.Width(), height));
    pages.Advance(height + kGap);
}

// The deviation distribution and the day's charts. A file without records has no time of day
// to chart: empty charts over a made-up hour would only look like a quiet one.
void DrawCharts(CReportPages& pages, const CDayReport& report) {
    using namespace report_tables;
    if (report.summary.nSeconds == 0) {
        DrawParagraph(pages, "No charts: the result file holds no records.");
        return;
    }
    DrawChart(pages, kChartHeight, [&](QPainter& p, const QRect& rc) {
        report_charts::DrawDeviationDistribution(p, rc, report);
    });

    // Blocks flow on to the next page only when they do not fit: no page is left mostly empty.
    DrawHeading(pages, "The day");
    DrawChart(pages, kChartHeight, [&](QPainter& p, const QRect& rc) {
        report_charts::DrawTimeChart(p, rc, report_charts::DeviationLook(), report);
    });
    DrawChart(pages, kChartHeight, [&](QPainter& p, const QRect& rc) {
        report_charts::DrawTimeChart(p, rc, report_charts::MpxPowerLook(report), report);
    });
    DrawChart(pages, kChartHeight, [&](QPainter& p, const QRect& rc) {
        report_charts::DrawTimeChart(p, rc, report_charts::MultipathLook(report), report);
    });
    DrawParagraph(pages,
                  "Grey bands: seconds without a record. Red lines: 75 kHz, 0 dBr and the "
                  "2 %/kHz multipath limit of the ITU-R measurement conditions.");
}

}  // namespace

std::vector<std::string> DrawDayReport(CReportPages& pages, const CDayReport& report, CTime made) {
    using namespace report_tables;
    const CReportTexts texts(report);
    const std::vector<CReportRow> header = texts.HeaderRows(made);
    DrawTitle(pages, "Daily measurement report", texts.DateText());
    DrawRows(pages, header);
    const std::vector<std::string> notes = texts.Notes();
    DrawNotes(pages, notes);
    DrawHeading(pages, "Verdict");
    DrawVerdict(pages, texts.VerdictRows());
    DrawHeading(pages, "Summary");
    DrawRows(pages, texts.SummaryRows());
    DrawParagraph(pages, texts.SummaryFootnote());
    DrawCharts(pages, report);

    DrawHeading(pages, "Alarm and event lines of the log");
    if (!report.log) {
        DrawParagraph(pages, "No log was given.");
    } else if (report.log->lines.empty()) {
        DrawParagraph(pages, "The log holds no lines.");
    } else {
        DrawEventTable(pages, texts, report.log->lines, kMaxEventLines);
    }
    return notes;
}

CReportResult WriteDayReport(const CDayReport& report, const std::string& path, CTime made) {
    const std::string day = CReportTexts(report).DateText();
    CReportPages pages(QString::fromStdString(path),
                       QStringLiteral("Daily measurement report, ") + QString::fromStdString(day),
                       QString::fromStdString(CReportTexts::Version()),
                       QString::fromStdString("Daily measurement report, " + day + ", " +
                                              report.options.strResultFile));
    std::vector<std::string> notes = DrawDayReport(pages, report, made);
    pages.Finish();
    return {path, pages.PageCount(), std::move(notes), {}};
}

void CheckReportOutput(const std::string& path, const std::vector<std::string>& inputs) {
    // A report written over one of its inputs would destroy the day's measurement.
    for (const std::string& input : inputs) {
        std::error_code missing;
        if (!input.empty() && std::filesystem::equivalent(input, path, missing)) {
            throw CReportError("The report \"" + path + "\" would replace its input \"" + input +
                               "\"");
        }
    }
    if (const int cause = CheckOutputFile(path); cause != 0) {
        throw CReportError("Could not write the report \"" + path + "\" (" + CauseText(cause) +
                           ")");
    }
}

CReportResult WriteDailyReport(const CReportOptions& options) {
    const std::string path = ReportOutputPath(options);
    CheckReportOutput(path, {options.strResultFile, options.strLogFile, options.strSetupFile});
    const CDayReport report = LoadDayReport(options);
    return WriteDayReport(report, path, CSystemClock::Instance().Now());
}

}  // namespace tavik

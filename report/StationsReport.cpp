#include "report/StationsReport.h"

#include <filesystem>

#include "report/ReportPages.h"
#include "report/ReportTables.h"

namespace tavik {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string StationsText(const std::vector<CStationDay>& stations) {
    int withFile = 0;
    for (const CStationDay& station : stations) {
        withFile += station.strResultFile.empty() ? 0 : 1;
    }
    return std::to_string(stations.size()) + ", " + std::to_string(withFile) +
           (withFile == 1 ? " with a result file" : " with result files") + " of the day";
}

}  // namespace

std::string StationsReportPath(const CLogFolder& folder, const std::string& day,
                               const CReportOptions& options) {
    if (!options.strOutFile.empty()) {
        return options.strOutFile;
    }
    return (std::filesystem::path(folder.strPath) / ("tavik" + day + "-stations.pdf")).string();
}

CReportResult WriteStationsReport(const CLogFolder& folder, const std::string& day,
                                  const CReportOptions& options) {
    using namespace report_tables;
    const std::string path = StationsReportPath(folder, day, options);
    std::vector<std::string> inputs{options.strSetupFile};
    for (const CStationFolder& station : folder.stations) {
        const std::filesystem::path file =
            std::filesystem::path(station.strPath) / ("tavik" + day + ".xml");
        inputs.push_back(file.string());
        inputs.push_back(std::filesystem::path(file).replace_extension(".log").string());
    }
    CheckReportOutput(path, inputs);
    CReportOptions base = options;
    if (!base.openSetup && !base.strSetupFile.empty()) {
        base.openSetup = ReadReportSetup(base.strSetupFile);
    }
    const std::vector<CStationDay> stations = LoadStationDays(folder, day, base);

    const CTime made = CSystemClock::Instance().Now();
    const std::string dayText = DayText(day);
    const std::string title = "Daily report of all stations";
    CReportPages pages(Q(path), Q(title + ", " + dayText), Q(CReportTexts::Version()),
                       Q(title + ", " + dayText + ", " + folder.strPath));
    DrawTitle(pages, title, dayText);
    DrawRows(
        pages,
        {{"Log folder", folder.strPath},
         {"Day", dayText + " (tavik" + day + ".xml of each station)"},
         {"Stations", StationsText(stations)},
         {"Setup file", options.strSetupFile.empty() ? "not given" : options.strSetupFile},
         {"Report", made.Format("made %Y-%m-%d %H:%M:%S %Z with ") + CReportTexts::Version()}});
    CReportResult result{path, 0, {}, {}};
    if (!folder.days.empty()) {
        result.notes.push_back(
            "The log folder holds result files of its own besides its station folders; they are "
            "not part of this report.");
    }
    DrawNotes(pages, result.notes);
    DrawHeading(pages, "Stations");
    std::vector<CStationRow> rows;
    for (const CStationDay& station : stations) {
        rows.push_back(StationSummaryRow(station));
        if (!station.strError.empty()) {
            result.errors.push_back(station.strName + " MHz: " + station.strError);
        }
    }
    DrawStationTable(pages, rows);
    DrawParagraph(pages,
                  "Verdict: fail when a check of the station's report needs attention (60 s MPX "
                  "power above 0 dBr, deviation above the setup's limit or 75 kHz without a "
                  "setup, multipath above 2 %/kHz, alarm activations), pass when all four pass, "
                  "else no data (a check without a measured second, or without the day's log). "
                  "Counts are seconds of the day. The stations' reports follow in this order.");

    for (const CStationDay& station : stations) {
        if (!station.report) {
            continue;
        }
        const std::string name = station.strName + " MHz";
        pages.NewSection(
            Q(name + ", daily measurement report, " + dayText),
            Q("Daily measurement report, " + name + ", " + dayText + ", " + station.strResultFile));
        for (const std::string& note : DrawDayReport(pages, *station.report, made)) {
            result.notes.push_back(name + ": " + note);
        }
    }
    pages.Finish();
    result.nPages = pages.PageCount();
    return result;
}

}  // namespace tavik

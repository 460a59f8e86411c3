#include "report/StationFolders.h"

#include <algorithm>
#include <filesystem>

#include "platform/Time.h"
#include "report/ReportError.h"

namespace tavik {

namespace {

namespace fs = std::filesystem;

constexpr int kBandLowKilohertz = 87500;
constexpr int kBandHighKilohertz = 108000;

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int DigitsValue(std::string_view digits) {
    int value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

// The days of the result files directly in `folder`, in order.
std::vector<std::string> ListDays(const std::string& folder, std::error_code& ec) {
    std::vector<std::string> days;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (std::string day = ResultFileDay(it->path().filename().string());
            !day.empty() && !it->is_directory(ignored)) {
            days.push_back(std::move(day));
        }
    }
    std::sort(days.begin(), days.end());
    return days;
}

std::string ResultFileName(const std::string& day) {
    return "tavik" + day + ".xml";
}

}  // namespace

std::optional<int> StationFolderKilohertz(std::string_view name) {
    const std::size_t point = name.find('.');
    if (point == std::string_view::npos || point < 2 || point > 3 || name.size() != point + 4 ||
        !IsDigits(name.substr(0, point)) || !IsDigits(name.substr(point + 1))) {
        return std::nullopt;
    }
    const int kilohertz =
        DigitsValue(name.substr(0, point)) * 1000 + DigitsValue(name.substr(point + 1));
    if (kilohertz < kBandLowKilohertz || kilohertz > kBandHighKilohertz) {
        return std::nullopt;
    }
    return kilohertz;
}

std::string ResultFileDay(std::string_view name) {
    constexpr std::string_view prefix = "tavik";
    constexpr std::string_view extension = ".xml";
    if (name.size() != prefix.size() + 6 + extension.size() || !name.starts_with(prefix) ||
        !name.ends_with(extension)) {
        return {};
    }
    const std::string_view day = name.substr(prefix.size(), 6);
    return IsDigits(day) ? std::string(day) : std::string();
}

std::string DayText(const std::string& day) {
    const int value = DigitsValue(day);
    return CTime(2000 + value / 10000, value / 100 % 100, value % 100, 12, 0, 0)
        .Format("%A, %B %d, %Y");
}

CLogFolder ReadLogFolder(const std::string& path) {
    CLogFolder folder;
    folder.strPath = path;
    std::error_code ec;
    folder.days = ListDays(path, ec);
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        const std::string name = it->path().filename().string();
        const std::optional<int> kilohertz = StationFolderKilohertz(name);
        if (!kilohertz || !it->is_directory(ignored)) {
            continue;
        }
        CStationFolder station{name, *kilohertz, it->path().string(), {}, {}};
        std::error_code listing;
        station.days = ListDays(station.strPath, listing);
        if (listing) {
            station.strError = "Could not read the station folder \"" + station.strPath + "\" (" +
                               listing.message() + ")";
        }
        folder.stations.push_back(std::move(station));
    }
    if (ec) {
        throw CReportError("Could not read the folder \"" + path + "\" (" + ec.message() + ")");
    }
    std::sort(folder.stations.begin(), folder.stations.end(),
              [](const CStationFolder& a, const CStationFolder& b) {
                  return a.nKilohertz < b.nKilohertz;
              });
    return folder;
}

std::string LatestStationDay(const CLogFolder& folder) {
    std::string latest;
    for (const CStationFolder& station : folder.stations) {
        if (!station.days.empty()) {
            latest = std::max(latest, station.days.back());
        }
    }
    return latest;
}

std::vector<CStationDay> LoadStationDays(const CLogFolder& folder, const std::string& day,
                                         const CReportOptions& base) {
    std::vector<CStationDay> stations;
    for (const CStationFolder& station : folder.stations) {
        CStationDay& loaded = stations.emplace_back();
        loaded.strName = station.strName;
        loaded.strError = station.strError;
        if (!std::binary_search(station.days.begin(), station.days.end(), day)) {
            continue;
        }
        CReportOptions options = base;
        options.strResultFile = (fs::path(station.strPath) / ResultFileName(day)).string();
        options.strLogFile.clear();
        if (std::error_code ec;
            fs::is_regular_file(fs::path(options.strResultFile).replace_extension(".log"), ec)) {
            options.strLogFile = fs::path(options.strResultFile).replace_extension(".log").string();
        }
        options.strOutFile.clear();
        options.strStation = station.strName;
        loaded.strResultFile = options.strResultFile;
        try {
            loaded.report = LoadDayReport(options);
        } catch (const CReportError& e) {
            loaded.strError = e.what();
        }
    }
    return stations;
}

const std::vector<std::string>& StationColumns() {
    static const std::vector<std::string> columns = {
        "RDS station",           "Measured",       "Max. deviation",
        "Above deviation limit", "Max. MPX power", "Above 0 dBr",
        "Max. multipath",        "Above 2 %/kHz",  "Alarms"};
    return columns;
}

CStationRow StationSummaryRow(const CStationDay& station) {
    CStationRow row;
    row.strFrequency = station.strName;
    if (!station.strError.empty()) {
        row.strMessage = station.strError;
        row.strVerdict = "not read";
        row.verdict = EVerdictMark::Attention;
        return row;
    }
    if (!station.report) {
        row.strMessage = "No result file of this day.";
        row.strVerdict = "no data";
        return row;
    }
    const CDayReport& report = *station.report;
    const CDaySummary& s = report.summary;
    const CReportTexts texts(report);
    const auto value = [](const std::optional<float>& v, const char* unit) {
        return v ? CReportTexts::FormatFixed(*v, 2) + " " + unit : std::string("no data");
    };
    // The checks of the station's own verdict: MPX power, deviation, multipath, alarms.
    const std::vector<CVerdictRow> checks = texts.VerdictRows();
    const auto seconds = [](const CVerdictRow& check) {
        return CSummaryCell{
            check.mark == EVerdictMark::NoData ? "no data" : std::to_string(check.nCount) + " s",
            check.mark};
    };
    std::string names;
    for (const std::string& name : texts.Stations()) {
        names += (names.empty() ? "" : "; ") + name;
    }
    if (names.empty()) {
        names = report.log ? "not in the log" : "no log";
    }
    row.cells = {
        {names, {}},
        {s.nSeconds == 0 ? "no records"
                         : CReportTexts::FormatDuration(s.nSeconds - report.day.nNoSignal),
         {}},
        {value(s.maxDeviation ? std::optional(s.maxDeviation->fValue) : std::nullopt, "kHz"), {}},
        seconds(checks[1]),
        {value(s.maxMpxPower ? std::optional(s.maxMpxPower->fValue) : std::nullopt, "dBr"), {}},
        seconds(checks[0]),
        {value(s.multipathMax, "%/kHz"), {}},
        seconds(checks[2]),
        {report.log ? std::to_string(checks[3].nCount) : "no log", checks[3].mark},
    };
    const auto any = [&](EVerdictMark mark) {
        return std::any_of(checks.begin(), checks.end(),
                           [mark](const CVerdictRow& check) { return check.mark == mark; });
    };
    row.verdict = any(EVerdictMark::Attention) ? EVerdictMark::Attention
                  : any(EVerdictMark::NoData)  ? EVerdictMark::NoData
                                               : EVerdictMark::Pass;
    row.strVerdict = row.verdict == EVerdictMark::Attention ? "fail"
                     : row.verdict == EVerdictMark::Pass    ? "pass"
                                                            : "no data";
    return row;
}

}  // namespace tavik

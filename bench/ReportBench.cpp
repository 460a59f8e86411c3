// The daily report of a full day: 86400 one-second records (about 20 MB of XML) and a log with
// an alarm going on and off every ten minutes. Target: the whole report in under 2 s.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cmath>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <QApplication>

#include "document/ResultLog.h"
#include "report/DailyReport.h"

namespace tavik {
namespace {

constexpr std::uint32_t kMidnight = 1781474400;  // 2026-06-15 00:00 in Berlin

// A day of records as the document writes them: programme peaks around 70 kHz, a slowly
// moving 60-second MPX power around 0 dBr, multipath below 1 %/kHz, the zeros of the first
// minute, and ten minutes missing at 03:00 (a restart).
std::string DayXml() {
    std::string text(CResultLog::HEADER);
    text.reserve(86400 * 230);
    std::uint32_t noise = 12345;
    std::int32_t id = 0;
    for (std::uint32_t t = 0; t < 86400; ++t) {
        if (t >= 3 * 3600 && t < 3 * 3600 + 600) {
            continue;
        }
        noise = noise * 1664525u + 1013904223u;
        const double random = (noise >> 8) / 16777216.0;
        CResultRecord r;
        r.m_nTimestamp = kMidnight + t;
        r.m_fDeviation = static_cast<float>(66.0 + 6.0 * std::sin(t / 900.0) + 8.0 * random);
        r.m_fMPXPower = t < 60 ? 0.0f : static_cast<float>(-0.4 + 0.8 * std::sin(t / 5000.0));
        r.m_fMultipath = t < 2 ? 0.0f : static_cast<float>(0.3 + 0.4 * random * random);
        CResultLog::AppendRecord(text, ++id, r);
    }
    text += CResultLog::FOOTER;
    return text;
}

std::string DayLog() {
    std::string text;
    for (std::uint32_t t = 0; t < 86400; t += 600) {
        const CTime now(static_cast<std::time_t>(kMidnight + t));
        text += CResultLog::FormatLogLine(
            now, "Alarm \"Dev\" caused an alarm because DEVIATION(76.500) > 75.000kHz");
        text += CResultLog::FormatLogLine(now + CTimeSpan(30), "Alarm \"Dev\" was reset.");
    }
    return text;
}

struct SDayFiles {
    std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                   ("tavik-report-bench-" + std::to_string(::getpid()));
    CReportOptions options;

    SDayFiles() {
        std::filesystem::create_directories(folder);
        options.strResultFile = (folder / "tavik260615.xml").string();
        options.strLogFile = (folder / "tavik260615.log").string();
        options.strOutFile = (folder / "tavik260615.pdf").string();
        std::ofstream(options.strResultFile, std::ios::binary) << DayXml();
        std::ofstream(options.strLogFile, std::ios::binary) << DayLog();
    }
    ~SDayFiles() { std::filesystem::remove_all(folder); }
};

// Reading the day's files and summarising them.
void BM_ReportReadFullDay(benchmark::State& state) {
    const SDayFiles files;
    for (auto _ : state) {
        const CDayReport report = LoadDayReport(files.options);
        benchmark::DoNotOptimize(report.summary.nSeconds);
    }
    state.counters["records"] = LoadDayReport(files.options).summary.nSeconds;
    state.counters["MB"] =
        static_cast<double>(std::filesystem::file_size(files.options.strResultFile)) / 1e6;
}
BENCHMARK(BM_ReportReadFullDay)->Unit(benchmark::kMillisecond);

// The whole `tavik report`: read, summarise, draw every chart and table, write the PDF.
void BM_ReportWriteFullDay(benchmark::State& state) {
    const SDayFiles files;
    int pages = 0;
    for (auto _ : state) {
        pages = WriteDailyReport(files.options).nPages;
    }
    state.counters["pages"] = pages;
    state.counters["PDF kB"] =
        static_cast<double>(std::filesystem::file_size(files.options.strOutFile)) / 1e3;
}
BENCHMARK(BM_ReportWriteFullDay)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("TZ", "Europe/Berlin", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

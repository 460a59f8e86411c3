// Renders the example report of docs/images: report_gallery OUTDIR writes
// OUTDIR/report-example.pdf and its pages as OUTDIR/report-1.png ... (with pdftoppm).
//
// The day is two generated recordings analysed as the application measures (local time
// Europe/Berlin): 10:00 to 10:08 with a programme 3 dB above the MPX power limit, then, after a
// stop, 10:12 to 10:20 a programme 1 dB below it with multipath and deeper fading. Their result
// files and logs are joined as one day's pair, as a stopped and restarted measurement leaves
// them (the second part's ids continue the first's), and the day ends in a power failure: the
// last record is cut short, the footer and the closing log lines are missing.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QApplication>

#include "document/BatchAnalysis.h"
#include "document/ResultLog.h"
#include "document/SetupFile.h"
#include "report/DailyReport.h"
#include "tools/CommandLineValues.h"
#include "tools/StationGenerator.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteSetup(const std::string& path) {
    CProtocolHeader header;
    header.m_strings[CProtocolHeader::OPERATOR] = "A. Engineer";
    header.m_strings[CProtocolHeader::ORGANISATION] = "Tavik Broadcast Monitoring";
    header.m_strings[CProtocolHeader::LOCATION] = "Transmitter site, receiving antenna 10 m";
    header.m_fFrequency = 106.7f;
    CAlarmMap alarms;
    alarms.SetAt("Deviation",
                 std::make_unique<CAlarmItem>("Deviation", ALARM_SOURCE_DEVIATION,
                                              ALARM_RELATION_GREATER, 75.0f, ALARM_ACTION_LOG_ONLY,
                                              COleDateTimeSpan(0, 0, 0, 0), ALARM_ACKNOWLEDGE_NO));
    alarms.SetAt("MPX power",
                 std::make_unique<CAlarmItem>("MPX power", ALARM_SOURCE_MPX_POWER,
                                              ALARM_RELATION_GREATER, 0.0f, ALARM_ACTION_LOG_ONLY,
                                              COleDateTimeSpan(0, 0, 0, 0), ALARM_ACKNOWLEDGE_NO));
    CArchive ar;
    StoreSetup(ar, header, alarms);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(ar.GetBuffer().data()),
               static_cast<std::streamsize>(ar.GetBuffer().size()));
}

// Generates and analyses one part of the day into `folder`/out.
void AnalysePart(const fs::path& folder, CGeneratorOptions generator, const std::string& start,
                 const std::string& setup) {
    generator.strOutputFolder = (folder / "recording").string();
    generator.fSeconds = 480.0;
    CStationGenerator(generator).Run();
    CBatchOptions options;
    options.strDataFolder = generator.strOutputFolder;
    options.strOutFolder = (folder / "out").string();
    options.strSetupFile = setup;
    options.bEnableAlarms = true;
    options.start = CTime(CheckedUtcTime(start));
    CStderrPrompt prompt;
    CBatchAnalysis(options, prompt).Run();
    fs::remove_all(generator.strOutputFolder);  // 400 MB of samples
}

// `second`'s records after `first`'s, numbered on.
std::string JoinResults(std::string first, const std::string& second) {
    first.resize(first.size() - CResultLog::FOOTER.size());
    constexpr std::string_view kId = "<Measurement id=\"";
    const std::size_t last = first.rfind(kId);
    int offset = std::atoi(first.c_str() + last + kId.size());
    std::size_t at = CResultLog::HEADER.size();
    for (std::size_t next = second.find(kId, at); next != std::string::npos;
         next = second.find(kId, at)) {
        const std::size_t number = next + kId.size();
        first.append(second, at, number - at);
        first += std::to_string(++offset);
        at = second.find('"', number);
    }
    first.append(second, at, std::string::npos);
    return first;
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    using namespace tavik;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: report_gallery OUTDIR\n");
        return 2;
    }
    setenv("TZ", "Europe/Berlin", 1);
    const fs::path out = fs::absolute(argv[1]);
    const fs::path work = fs::temp_directory_path() / "tavik-report-gallery";
    fs::remove_all(work);
    const std::string setup = (work / "station.tvk").string();
    fs::create_directories(work);
    WriteSetup(setup);

    CGeneratorOptions morning;
    morning.fMpxPower = 3.0;  // 3 dB over the limit
    AnalysePart(work / "a", morning, "2026-06-15T08:00:00", setup);
    CGeneratorOptions later;
    later.nSeed = 2;
    later.fMpxPower = -1.0;
    later.fFading = 8.0;
    later.multipath = {4e-8, 2e-5, 8e-3};
    AnalysePart(work / "b", later, "2026-06-15T08:12:00", setup);

    const std::string day = "tavik260615";
    std::string xml = JoinResults(ReadText(work / "a/out" / (day + ".xml")),
                                  ReadText(work / "b/out" / (day + ".xml")));
    xml.resize(xml.size() - CResultLog::FOOTER.size() - 100);  // the power fails
    std::string laterLog = ReadText(work / "b/out" / (day + ".log"));
    laterLog.erase(laterLog.rfind('\n', laterLog.rfind("Measurement stopped")) + 1);
    fs::current_path(work);  // the report names its files as given
    std::ofstream(day + ".xml", std::ios::binary) << xml;
    std::ofstream(day + ".log", std::ios::binary)
        << ReadText(work / "a/out" / (day + ".log")) << laterLog;

    CReportOptions options;
    options.strResultFile = day + ".xml";
    options.strLogFile = day + ".log";
    options.strSetupFile = "station.tvk";
    options.strOutFile = (fs::absolute(out) / "report-example.pdf").string();
    const CReportResult result = WriteDailyReport(options);
    std::printf("%s: %d pages\n", result.strPath.c_str(), result.nPages);
    const std::string pages =
        "pdftoppm -r 80 -png '" + result.strPath + "' '" + (out / "report").string() + "'";
    return std::system(pages.c_str()) == 0 ? 0 : 1;
}

#include "app/StationsAnalysis.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

#include "app/SummaryReport.h"
#include "device/IqStations.h"
#include "device/StationsReceiver.h"
#include "platform/Prompt.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

constexpr double kMinimumSpacingMhz = 0.1;

// A station's notices and questions (answered as nobody is there to answer) as lines of its
// own, printed after the run so that the stations' lines do not mix.
class CLinesPrompt final : public CPrompt {
public:
    explicit CLinesPrompt(std::ostream& lines) : m_lines(lines) {}
    int MessageBox(const std::string& text, unsigned style) override {
        Notice(text);
        return UnattendedAnswer(style);
    }
    void Notice(const std::string& text) override {
        m_lines << text << (text.ends_with('\n') ? "" : "\n");
    }

private:
    std::ostream& m_lines;
};

// One station's run: its summary, or the error that ended it, and what it said.
struct CStationRun {
    double megahertz = 0.0;
    std::optional<CBatchSummary> summary;
    std::string error;
    std::ostringstream said;
};

void RunStation(const CBatchOptions& base, CIqStations& hub, int index, CStationRun& run) {
    CBatchOptions options = base;
    options.iq->station = run.megahertz * 1e6;
    options.pFeed = &hub.Feed(index);
    if (!base.strOutFolder.empty()) {
        options.strOutFolder = (std::filesystem::path(base.strOutFolder) /
                                CStationsAnalysis::FolderName(run.megahertz))
                                   .string();
    }
    CLinesPrompt prompt(run.said);
    try {
        CBatchAnalysis analysis(options, prompt);
        analysis.SetAlarmListener([&](const std::string& line) { prompt.Notice(line); });
        run.summary = analysis.Run();
    } catch (const std::exception& e) {
        run.error = e.what();
    }
    hub.Leave(index);  // whatever ended it, the others go on without waiting for it
}

}  // namespace

std::string CStationsAnalysis::CheckStations(const std::vector<double>& megahertz) {
    std::vector<double> sorted = megahertz;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        const double gap = sorted[i] - sorted[i - 1];
        if (gap < 1e-6) {
            return FolderName(sorted[i]) + " MHz is listed twice";
        }
        if (gap < kMinimumSpacingMhz - 1e-6) {
            return FolderName(sorted[i - 1]) + " and " + FolderName(sorted[i]) +
                   " MHz are closer than 100 kHz";
        }
    }
    return {};
}

std::vector<double> CStationsAnalysis::ParseList(const std::string& text) {
    std::vector<double> list;
    std::stringstream parts(text);
    for (std::string part; std::getline(parts, part, ',');) {
        list.push_back(GridFrequency(CheckedNumber(part, 87.5, 108.0), part));
    }
    if (list.size() < 2 || list.size() > kMaxStations) {
        throw COptionValueError("give 2 to 8 frequencies");
    }
    if (const std::string fault = CheckStations(list); !fault.empty()) {
        throw COptionValueError(fault);
    }
    return list;
}

std::string CStationsAnalysis::FolderName(double megahertz) {
    return StationName(megahertz * 1e6);
}

int CStationsAnalysis::Run(const CBatchOptions& options, const std::vector<double>& megahertz,
                           bool json, std::ostream& out, std::ostream& err) {
    std::vector<double> hertz;
    for (const double mhz : megahertz) {
        hertz.push_back(mhz * 1e6);
    }
    std::optional<CIqStations> hub;
    try {
        hub.emplace(*options.iq, hertz);
    } catch (const CIqSourceError& e) {
        err << "analyse: " << e.what() << "\n";
        return 1;
    }
    std::vector<CStationRun> runs(megahertz.size());
    std::vector<std::thread> threads;
    for (std::size_t s = 0; s < megahertz.size(); ++s) {
        runs[s].megahertz = megahertz[s];
        threads.emplace_back(RunStation, std::cref(options), std::ref(*hub), static_cast<int>(s),
                             std::ref(runs[s]));
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    int code = 0;
    std::string stations;  // the summaries' JSON objects, comma-separated
    for (CStationRun& run : runs) {
        const std::string name = FolderName(run.megahertz);
        std::istringstream said(run.said.str());
        for (std::string line; std::getline(said, line);) {
            err << name << ": " << line << "\n";
        }
        if (!run.summary) {
            err << "analyse: " << name << " MHz: " << run.error << "\n";
            code = 1;
            continue;
        }
        if (run.summary->nLostResults > 0 || run.summary->nUnsyncedResults > 0) {
            err << "analyse: " << name << " MHz: results were lost or not confirmed on disk\n";
            code = 1;
        }
        if (json) {
            // The summary's object with the station's frequency first.
            const std::string summary = CSummaryReport::ToJson(*run.summary);
            const std::string frequency =
                nlohmann::json(std::round(run.megahertz * 1000.0) / 1000.0).dump();
            stations += (stations.empty() ? "" : ",") + std::string("{\"frequency_mhz\":") +
                        frequency + (summary.size() > 2 ? "," : "") + summary.substr(1);
        } else {
            out << "== " << name << " MHz\n";
            CSummaryReport::WriteText(*run.summary, out);
        }
    }
    if (json) {
        out << "{\"stations\":[" << stations << "]}\n";
    }
    return code;
}

}  // namespace tavik

#include "app/AnalyseCommand.h"

#include <CLI/CLI.hpp>

#include <sstream>

#include "app/DecoderOptions.h"
#include "app/JsonLine.h"
#include "app/MonitorOptions.h"
#include "app/MonitorValues.h"
#include "app/SignalStop.h"
#include "app/StationsAnalysis.h"
#include "app/SummaryReport.h"
#include "platform/TextParse.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

// Prints notices and questions (answered No by the analysis) as lines on the error stream.
class CStreamPrompt final : public CPrompt {
public:
    explicit CStreamPrompt(std::ostream& err) : m_err(err) {}
    int MessageBox(const std::string& text, unsigned) override {
        Notice(text);
        return IDNO;
    }
    void Notice(const std::string& text) override {
        if (m_bProgressShown) {
            m_err << "\r\033[K";  // the line of the progress bar
            m_bProgressShown = false;
        }
        m_err << "analyse: " << text << (text.ends_with('\n') ? "" : "\n");
    }
    bool m_bProgressShown = false;

private:
    std::ostream& m_err;
};

// Redraws a bar on the terminal when the shown percentage changes.
class CProgressBar {
public:
    CProgressBar(std::ostream& err, CStreamPrompt& prompt) : m_err(err), m_prompt(prompt) {}
    void Show(std::int64_t done, std::int64_t total) {
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        if (percent == m_nShown && m_prompt.m_bProgressShown) {
            return;
        }
        m_nShown = percent;
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        m_err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] " << percent
              << " %" << std::flush;
        m_prompt.m_bProgressShown = true;
    }
    void Clear() {
        if (m_prompt.m_bProgressShown) {
            m_err << "\r\033[K" << std::flush;
            m_prompt.m_bProgressShown = false;
        }
    }

private:
    std::ostream& m_err;
    CStreamPrompt& m_prompt;
    int m_nShown = -1;
};

}  // namespace

int CAnalyseCommand::RunStations(CBatchOptions options, std::ostream& out,
                                 std::ostream& err) const {
    if (!options.iq) {
        err << "analyse: --stations needs an IQ capture (--receiver iq:FILE)\n";
        return 2;
    }
    if (m_bJsonLines || options.nRepeat != 1 || m_frequency) {
        err << "analyse: --stations takes neither --json-lines, --repeat nor --frequency\n";
        return 2;
    }
    if (!m_bStartGiven) {
        options.start = CSystemClock::Instance().Now();
    }
    const CSignalStop signals;
    options.pStop = &CSignalStop::Flag();
    return CStationsAnalysis::Run(options, m_stations, m_bJson, out, err);
}

CAnalyseCommand::CAnalyseCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand("analyse", "analyse recordings as fast as possible")) {
    CLI::App& c = *m_pCommand;
    c.add_option("DIR", m_options.strDataFolder, "the folder of the recordings (default: here)")
        ->type_name("");
    AddTextOption(c, "--out", "DIR",
                  "write the result file and the text log into DIR (made when missing; files\n"
                  "of the analysed days must not exist there)",
                  [this](const std::string& v) {
                      if (v.empty()) {
                          throw COptionValueError("the folder name is empty");
                      }
                      m_options.strOutFolder = v;
                  });
    c.add_option("--setup", m_options.strSetupFile,
                 "use the setup and alarms of this document file (.tvk)")
        ->type_name("FILE");
    c.add_flag("--enable-alarms", m_options.bEnableAlarms, "enable every alarm of the setup");
    AddTextOption(c, "--start", "TIME",
                  "UTC time of the first sample, YYYY-MM-DDTHH:MM:SS (default: now); the\n"
                  "files' timestamps follow it, so equal runs give equal files",
                  [this](const std::string& v) {
                      m_options.start = CTime(CheckedUtcTime(v));
                      m_bStartGiven = true;
                  });
    AddIntegerOption(c, "--repeat", "N",
                     "analyse the recording N times back to back, as playback loops it", 1, 1000000,
                     [this](std::int64_t v) { m_options.nRepeat = static_cast<int>(v); });
    m_receiver.AddOptions(c, false);
    AddDecoderOptions(c, m_options.decoder);
    AddNumberOption(c, "--frequency", "MHZ", "tune the receiver to this station (87.5 to 108)",
                    87.5, 108.0, [this](double v) { m_frequency = v; });
    AddTextOption(c, "--stations", "MHZ,...",
                  "analyse these stations of an IQ capture at once, each on its own (with\n"
                  "--out: OUT/<MHz>/); --json prints {\"stations\": [...]}",
                  [this](const std::string& v) { m_stations = CStationsAnalysis::ParseList(v); });
    c.add_flag("--json", m_bJson, "print the summary as one JSON object");
    c.add_flag("--json-lines", m_bJsonLines,
               "one JSON object per second of recording on stdout; the summary goes to stderr");
    c.footer(
        "Analyses the recordings mpx.dat, lev.dat and rds.dat in DIR once from start to end,\n"
        "every block through every analyser, as fast as one core allows. SIGINT or SIGTERM\n"
        "ends the analysis early with its files closed (exit code 130).");
}

int CAnalyseCommand::Run(std::ostream& out, std::ostream& err, bool progressBar) const {
    CBatchOptions options = m_options;
    options.iq = m_receiver.IqSettings(m_frequency);
    if (!m_stations.empty()) {
        return RunStations(options, out, err);
    }
    if (!m_bStartGiven) {
        options.start = CSystemClock::Instance().Now();
    }
    // Under --json-lines the standard output carries nothing but the lines.
    std::ostream& report = m_bJsonLines ? err : out;
    CStreamPrompt prompt(err);
    if (options.bEnableAlarms && options.strSetupFile.empty()) {
        prompt.Notice(kNoAlarmsWithoutSetup);
    }
    CProgressBar bar(err, prompt);
    CBatchSummary summary;
    const CSignalStop signals;  // SIGINT/SIGTERM end the run with its files closed
    options.pStop = &CSignalStop::Flag();
    try {
        CBatchAnalysis analysis(options, prompt);
        analysis.SetAlarmListener([&](const std::string& line) { prompt.Notice(line); });
        CMonitorValues values;
        if (m_bJsonLines) {
            analysis.SetResultListener([&](const CMessage& message) { values.Take(message); });
            analysis.SetTickListener([&] {
                const CTAVIKSDIDoc& doc = analysis.GetDocument();
                values.drops = doc.GetDropCounts();
                out << CJsonLine::Format(doc.GetClock().Now(),
                                         doc.GetProtocolHeaderRef().m_fFrequency, values,
                                         CJsonLine::ActiveAlarms(doc.GetAlarms()))
                    << "\n";
                values.StartSecond();
            });
        }
        CBatchAnalysis::CProgress progress;
        if (progressBar) {
            progress = [&](std::int64_t done, std::int64_t total) { bar.Show(done, total); };
        }
        summary = analysis.Run(progress);
    } catch (const CBatchError& e) {
        bar.Clear();
        err << "analyse: " << e.what() << "\n";
        return 1;
    }
    bar.Clear();
    if (summary.bInterrupted) {
        err << "analyse: interrupted after " << FormatNumber(summary.dSeconds, 1)
            << " s of recording; the files written so far are complete\n";
    }
    if (m_bJson) {
        report << CSummaryReport::ToJson(summary) << "\n";
    } else {
        CSummaryReport::WriteText(summary, report);
    }
    // A loss, or records the disk did not confirm, is never reported as success.
    if (summary.nLostResults > 0) {
        err << "analyse: " << summary.nLostResults
            << " results could not be written and are lost\n";
    }
    if (summary.nUnsyncedResults > 0) {
        err << "analyse: " << summary.nUnsyncedResults
            << " results were written but not confirmed on disk\n";
    }
    if (summary.nLostResults > 0 || summary.nUnsyncedResults > 0) {
        return 1;
    }
    return summary.bInterrupted ? 130 : 0;
}

}  // namespace tavik

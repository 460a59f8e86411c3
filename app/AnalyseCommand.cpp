#include "app/AnalyseCommand.h"

#include <cstdlib>
#include "app/SignalStop.h"

#include "app/SummaryReport.h"
#include "tools/OptionParser.h"

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

std::string Value(const std::vector<std::string>& args, std::size_t& i) {
    if (i + 1 >= args.size()) {
        throw COptionError(args[i] + ": a value is missing");
    }
    return args[++i];
}

}  // namespace

CAnalyseCommand::CParsed CAnalyseCommand::Parse(const std::vector<std::string>& args) {
    CParsed parsed;
    bool folderGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.bHelp = true;
            return parsed;
        }
        if (arg == "--out") {
            parsed.options.strOutFolder = Value(args, i);
            if (parsed.options.strOutFolder.empty()) {
                throw COptionError("--out: the folder name is empty");
            }
        } else if (arg == "--setup") {
            parsed.options.strSetupFile = Value(args, i);
        } else if (arg == "--enable-alarms") {
            parsed.options.bEnableAlarms = true;
        } else if (arg == "--start") {
            parsed.options.start = CTime(CGeneratorOptionParser::ParseUtcTime(Value(args, i)));
            parsed.bStartGiven = true;
        } else if (arg == "--json") {
            parsed.bJson = true;
        } else if (arg == "--repeat") {
            const std::string value = Value(args, i);
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 1 || n > 1000000) {
                throw COptionError("--repeat: \"" + value +
                                   "\" is not a whole number from 1 to 1000000");
            }
            parsed.options.nRepeat = static_cast<int>(n);
        } else if (arg.starts_with("-") && arg != "-") {
            throw COptionError(arg + ": unknown option");
        } else if (folderGiven) {
            throw COptionError(arg + ": only one recording folder can be analysed");
        } else {
            parsed.options.strDataFolder = arg;
            folderGiven = true;
        }
    }
    return parsed;
}

std::string CAnalyseCommand::Usage() {
    return "Usage: tavik analyse [DIR] [options]\n"
           "Analyses the recordings mpx.dat, lev.dat and rds.dat in DIR (default: the working\n"
           "directory) once from start to end, every block through every analyser.\n"
           "  --out DIR        write the result file and the text log into DIR (made when\n"
           "                   missing; files of the analysed days must not exist there)\n"
           "  --setup FILE     use the setup and alarms of this document file (.tvk)\n"
           "  --enable-alarms  enable every alarm of the setup\n"
           "  --start TIME     UTC time of the first sample, YYYY-MM-DDTHH:MM:SS (default: now);\n"
           "                   the files' timestamps follow it, so equal runs give equal files\n"
           "  --json           print the summary as one JSON object\n"
           "  --repeat N       analyse the recording N times back to back, as playback loops\n"
           "SIGINT or SIGTERM ends the analysis early with its files closed (exit code 130).\n";
}

int CAnalyseCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                         bool progressBar) {
    CParsed parsed;
    try {
        parsed = Parse(args);
    } catch (const COptionError& e) {
        err << "analyse: " << e.what() << "\n";
        return 2;
    }
    if (parsed.bHelp) {
        out << Usage();
        return 0;
    }
    if (!parsed.bStartGiven) {
        parsed.options.start = CSystemClock::Instance().Now();
    }
    CStreamPrompt prompt(err);
    CProgressBar bar(err, prompt);
    CBatchSummary summary;
    const CSignalStop signals;  // SIGINT/SIGTERM end the run with its files closed
    parsed.options.pStop = &CSignalStop::Flag();
    try {
        CBatchAnalysis analysis(parsed.options, prompt);
        analysis.SetAlarmListener([&](const std::string& line) { prompt.Notice(line); });
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
        err << "analyse: interrupted after " << summary.dSeconds
            << " s of recording; the files written so far are complete\n";
    }
    if (parsed.bJson) {
        out << CSummaryReport::ToJson(summary) << "\n";
    } else {
        CSummaryReport::WriteText(summary, out);
    }
    if (summary.nLostResults > 0) {
        // A loss is never reported as success.
        err << "analyse: " << summary.nLostResults
            << " results could not be written and are lost\n";
        return 1;
    }
    return summary.bInterrupted ? 130 : 0;
}

}  // namespace tavik

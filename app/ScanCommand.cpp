#include "app/ScanCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>

#include "app/JsonValues.h"
#include "app/SignalStop.h"
#include "device/IqPanorama.h"
#include "document/PanoramaScanner.h"
#include "document/ProtocolHeader.h"
#include "platform/File.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"
#include "platform/Prompt.h"
#include "platform/TextParse.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

constexpr double kLowest = 87.5;  // MHz, the band of the parameter page
constexpr double kHighest = 108.0;
constexpr double kMinimumSpan = 0.2;  // MHz between "From:" and the top, "To:" and the bottom

// The scan calls its view on the scan thread; the points are read from the scanner's arrays
// once the thread has ended, so the view has nothing to do.
class CScanView final : public CPanoramaView {
public:
    void AddPanoramaPoint(const float*, const float*, int) override {}
    void OnScanFinished() override {}
};

class CScanPrompt final : public CPrompt {
public:
    explicit CScanPrompt(std::ostream& err) : m_err(err) {}
    int MessageBox(const std::string& text, unsigned style) override {
        Notice(text);
        return UnattendedAnswer(style);
    }
    void Notice(const std::string& text) override {
        m_err << "scan: " << text << (text.ends_with('\n') ? "" : "\n");
    }

private:
    std::ostream& m_err;
};

// A frequency of the page's grid for `step`: off the grid the page would round it.
double OnGrid(double megahertz, double step, const char* option) {
    const double steps = megahertz / step;
    if (std::fabs(steps - std::round(steps)) > 1e-6) {
        throw CLI::ValidationError(option, FormatNumber(megahertz, 6) + " is not on the " +
                                               FormatNumber(step * 1000.0, 0) + " kHz grid");
    }
    return megahertz;
}

void Print(const CPanoramaScanner& scanner, const CScanOptions& options, std::ostream& out) {
    const int count = scanner.GetIndex();
    const float* frequencies = scanner.GetFrequencies();
    const float* levels = scanner.GetLevels();
    if (!options.bJson) {
        out << "frequency_mhz,level_dbuv\n";
        for (int i = 0; i < count; ++i) {
            out << StringFormat("%.3f,%.1f\n", static_cast<double>(frequencies[i]),
                                static_cast<double>(levels[i]));
        }
        return;
    }
    CJson points = CJson::array();
    for (int i = 0; i < count; ++i) {
        points.push_back({{"frequency_mhz", CJsonValues::Rounded(frequencies[i], 3)},
                          {"level_dbuv", CJsonValues::Rounded(levels[i], 1)}});
    }
    const CJson json = {{"from_mhz", CJsonValues::Rounded(options.fFrom, 3)},
                        {"to_mhz", CJsonValues::Rounded(options.fTo, 3)},
                        {"step_khz", options.nStepKHz},
                        {"points", points}};
    out << CJsonValues::Dump(json) << "\n";
}

}  // namespace

CScanCommand::CScanCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand("scan", "scan the band: RF level per frequency")) {
    CLI::App& c = *m_pCommand;
    CScanOptions& o = m_options;
    c.footer(
        "Scans the band as the parameter page does, over the recording panormama.dat in DIR\n"
        "or through the receiver, and prints frequency (MHz) and RF level (dBuV) of every\n"
        "point, as CSV or with --json as one JSON object. A live receiver is tuned to every\n"
        "point; an IQ capture gives the channels inside its band, by default all of them.");
    c.add_option("DIR", o.strDataFolder, "the folder of the recording (default: here)")
        ->type_name("");
    AddNumberOption(c, "--from", "MHZ",
                    "first frequency (default 87.5, or an IQ capture's first channel)", kLowest,
                    kHighest - kMinimumSpan, [&o](double v) { o.fFrom = v; });
    AddNumberOption(c, "--to", "MHZ",
                    "last frequency (default 108, or an IQ capture's last channel)",
                    kLowest + kMinimumSpan, kHighest, [&o](double v) { o.fTo = v; });
    AddIntegerOption(
        c, "--step", "KHZ", "step size: 25, 50 or 100 (default 100)", 25, 100,
        [&o](std::int64_t v) {
            if (v != 25 && v != 50 && v != 100) {
                throw COptionValueError("\"" + std::to_string(v) + "\" is not 25, 50 or 100");
            }
            o.nStepKHz = static_cast<int>(v);
        });
    c.add_flag("--json", o.bJson, "print one JSON object instead of CSV");
    o.receiver.AddOptions(c);
    AddNumberOption(c, "--speed", "X", "", 1.0, 100000.0, [&o](double v) {
        o.fSpeed = v;
    })->group("");
    // Checked once all values are known.
    c.callback([&o] {
        const double step = o.nStepKHz / 1000.0;
        OnGrid(o.fFrom, step, "--from");
        OnGrid(o.fTo, step, "--to");
        if (o.fTo <= o.fFrom) {
            throw CLI::ValidationError("--to", FormatNumber(o.fTo, 3) + " is not above --from " +
                                                   FormatNumber(o.fFrom, 3));
        }
    });
}

int CScanCommand::PointCount(double from, double to, double stepMHz) {
    return static_cast<int>((to - from) / stepMHz + 0.5) + 1;
}

// The range to scan: as given, or for an IQ capture without --from and --to the channels it
// holds, on the step's grid inside the band. nullopt with a notice when nothing is left.
std::optional<CScanOptions> CScanCommand::Range(CPrompt& prompt) const {
    CScanOptions options = m_options;
    const auto iq = options.receiver.IqSettings(std::nullopt);
    if (!iq || m_pCommand->count("--from") + m_pCommand->count("--to") != 0) {
        return options;
    }
    try {
        const CFmReceiverSettings receiver = CIqFileSource(*iq).ReceiverSettings();
        const auto [first, last] =
            CIqPanorama::ChannelRange(receiver.fSampleRate, receiver.fCentre);
        const double step = options.nStepKHz / 1000.0;
        options.fFrom = std::max(kLowest, std::ceil(first / 1e6 / step - 1e-6) * step);
        options.fTo = std::min(kHighest, std::floor(last / 1e6 / step + 1e-6) * step);
    } catch (const CIqSourceError& e) {
        prompt.Notice(e.what());
        return std::nullopt;
    }
    if (options.fTo < options.fFrom) {
        prompt.Notice("\"" + iq->strFile + "\" holds no channel of the band on the " +
                      std::to_string(options.nStepKHz) + " kHz grid");
        return std::nullopt;
    }
    return options;
}

int CScanCommand::Run(std::ostream& out, std::ostream& err) const {
    const CSignalStop signals;
    CScanPrompt prompt(err);
    const std::optional<CScanOptions> range = Range(prompt);
    if (!range) {
        return 1;
    }
    const CScanOptions& options = *range;
    CRealTimePacer pacer(m_options.fSpeed);
    CQueueTarget window;
    CScanView view;
    // The receiver and the scanner alone: no measurement, no analysers. The scan ends tuned
    // where a new setup is.
    CTavikControl device;
    device.SetDataFolder(m_options.strDataFolder);
    device.SetPacers(nullptr, nullptr, &pacer);
    device.SetIqSource(options.receiver.IqSettings(std::nullopt));
    device.SetLiveSource(options.receiver.LiveSettings(std::nullopt));
    const float restore = CProtocolHeader().m_fFrequency;
    std::atomic<float> tuner{restore};
    CPanoramaScanner scanner(device, tuner);
    scanner.SetPacer(&pacer);
    const double step = options.nStepKHz / 1000.0;
    try {
        scanner.Start(static_cast<float>(options.fFrom), restore,
                      PointCount(options.fFrom, options.fTo, step), static_cast<float>(step), &view,
                      &window);
    } catch (const CGenericException& e) {
        prompt.Notice(FormatException(e));
        return 1;
    }
    // The thread's notices: an error (ID, sub-ID), then always (2, 1) last.
    bool failed = false;
    bool stopped = false;
    for (bool ended = false; !ended;) {
        if (CSignalStop::Received() != 0 && !stopped) {
            scanner.Stop();
            stopped = true;
        }
        CMessage message;
        if (!window.Queue().GetMessageFor(message, std::chrono::milliseconds(50)) ||
            message.message != WM_PANORAMA_NOTICE) {
            continue;
        }
        if (message.wParam == 2 && message.lParam == 1) {
            ended = true;
        } else {
            failed = true;
            prompt.Notice(GetErrorMessage(static_cast<int>(message.wParam),
                                          static_cast<int>(message.lParam),
                                          (message.pText ? *message.pText : std::string()) +
                                              "Panoramascan: Error in thread!\n"));
        }
    }
    scanner.WaitFor(std::chrono::seconds(10));
    if (failed && (options.receiver.iqFile || options.receiver.live)) {
        return 1;
    }
    if (failed) {
        const std::string path = std::filesystem::absolute(
            m_options.strDataFolder.empty() ? std::string("panormama.dat")
                                            : JoinPath(m_options.strDataFolder, "panormama.dat"));
        CFile file;
        if (const int cause = file.Open(path, CFile::modeRead); cause != 0) {
            prompt.Notice("cannot read the recording \"" + path + "\": " + CauseText(cause));
        }
        return 1;
    }
    Print(scanner, options, out);
    return stopped ? 130 : 0;
}

}  // namespace tavik

#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/ReceiverSources.h"

namespace tavik {

// The command lines that start the application window: none at all, a document file
// (`tavik FILE.tvk`), or an unattended start (`tavik --start [FILE.tvk]`); after them, in any
// order and once each, `--enable-alarms` (tick every alarm of the setup), `--log-folder DIR`
// (log there from the start, as `monitor` does), `--recordings DIR` (where the receiver's
// recordings are), `--receiver RECEIVER` (iq:FILE, rtltcp:HOST[:PORT] or soapy:ARGS instead of
// the recordings), `--frequency MHZ` (the station to tune the receiver to, 87.5 to 108) and
// `--metrics ADDR:PORT` with `--metrics-tls CERT,KEY` and `--metrics-auth FILE` (serve
// Prometheus metrics, as `monitor` does), `--evidence SECONDS`
// (0 to 120) and `--evidence-max-mb MB` (evidence clips while logging, for this run instead of
// the remembered setting), `--stations MHZ,...` (several stations of the receiver at once, each
// its own instrument, shown one at a time beside their list), and for the receiver `--gain DB`,
// `--full-scale DBUV` and `--ppm N` as `monitor` takes them.
struct SGuiCommandLine {
    std::string strDocument;
    bool bStart = false;
    bool bEnableAlarms = false;
    std::string strLogFolder;
    std::string strRecordings;
    std::string strMetrics;      // as given; checked when the window starts
    std::string strMetricsTls;   // likewise
    std::string strMetricsAuth;  // likewise
    std::string strReceiver;
    std::optional<double> frequency;  // MHz
    std::string strStations;          // as given; checked when the window starts
    CReceiverAdjustments receiver;    // applied to the receiver used, given or remembered
    std::optional<int> evidenceSeconds;
    std::optional<int> evidenceMaxMb;
};

// The window's command line, or nothing when `args` (without the program name) is another
// command.
std::optional<SGuiCommandLine> ParseGuiCommandLine(const std::vector<std::string>& args);

// Without a display (no DISPLAY, no WAYLAND_DISPLAY and no platform chosen in QT_QPA_PLATFORM)
// the window cannot open: the text that says so, else empty.
std::string NoDisplayMessage();

// Runs the application window until it is closed, or until SIGINT, SIGTERM or SIGHUP stop the
// measurement the normal way; the exit code (2 without a display).
int RunGuiCommand(int& argc, char** argv, const SGuiCommandLine& commandLine);

}  // namespace tavik

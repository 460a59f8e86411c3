#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ReceiverOptions.h"
#include "document/DecoderOverrides.h"
#include "metrics/MetricsAccess.h"
#include "metrics/MetricsAddress.h"

namespace tavik {

class CMetricsServer;
class CStationsServiceNotifier;

// The notice of --enable-alarms without --setup: without a setup there is no alarm to enable.
inline constexpr const char* kNoAlarmsWithoutSetup =
    "--enable-alarms: no setup was given (--setup FILE.tvk), so there are no alarms to enable";

// What `tavik monitor` was told.
struct CMonitorOptions {
    std::string strDataFolder;     // the recordings; empty: the working directory
    int nSeconds = 0;              // measuring seconds before the normal stop; 0: until a signal
    std::string strLogFolder;      // result logging into this folder; empty: no logging
    std::string strSetupFile;      // setup (.tvk) to open before the start
    std::vector<double> stations;  // MHz, with --stations: several measured at once
    int nDwellSeconds = 60;        // --dwell: on each band, when they do not fit one
    // --setup MHZ=FILE: a station's own setup, over strSetupFile.
    std::vector<std::pair<double, std::string>> stationSetups;
    bool bEnableAlarms = false;      // enable every alarm of the setup, as ticking its box would
    std::optional<float> frequency;  // MHz; else the setup's (or the default) frequency
    bool bJsonLines = false;    // one JSON object per second on stdout, people's lines on stderr
    std::string strOnAlarm;     // program run on every alarm activation and deactivation
    double fSpeed = 1.0;        // pace of playback and main timer, multiples of real time (testing)
    CReceiverChoice receiver;   // --receiver: the recordings unless an IQ source is chosen
    CDecoderOverrides decoder;  // over the setup's stereo decoder settings
    std::optional<CMetricsAddress> metrics;  // --metrics: serve GET /metrics there
    CMetricsAccess metricsAccess;            // --metrics-tls, --metrics-auth
    // One station of several, the nStation-th: its metrics go to this server, and systemd hears
    // of it through the shared notifier.
    CMetricsServer* pSharedMetrics = nullptr;
    CStationsServiceNotifier* pSharedService = nullptr;
    int nStation = 0;
    bool bQuiet = false;       // no line per second (a service's journal)
    bool bJournal = false;     // the error stream is the journal's: lines carry "<3>"/"<4>"
    int nEvidenceSeconds = 0;  // --evidence: MPX clips of N s either side of each activation
    int nEvidenceMaxMb = 500;  // --evidence-max-mb: the clips' folder's size cap
};

}  // namespace tavik

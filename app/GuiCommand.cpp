#include <cmath>
#include <iostream>
#include <memory>
#include <vector>

#include <QTimer>

#include "app/GuiMetrics.h"
#include "app/GuiOptions.h"
#include "app/SignalStop.h"
#include "app/StationsAnalysis.h"
#include "device/ReceiverSources.h"
#include "device/StationsReceiver.h"
#include "document/TAVIKSDIDoc.h"
#include "tools/CommandLineValues.h"
#include "ui/MainFrame.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TavikApplication.h"

namespace tavik {

namespace {

constexpr int kSignalPollMs = 100;

// The endpoint's TLS and users from --metrics-tls and --metrics-auth: empty, or what is wrong.
std::string MetricsAccess(const SGuiCommandLine& line, CMetricsAccess& access) {
    if (line.strMetrics.empty() && (!line.strMetricsTls.empty() || !line.strMetricsAuth.empty())) {
        return std::string(line.strMetricsTls.empty() ? "--metrics-auth" : "--metrics-tls") +
               " needs --metrics";
    }
    if (!line.strMetricsTls.empty()) {
        if (const std::string fault = access.SetTls(line.strMetricsTls); !fault.empty()) {
            return "--metrics-tls: " + fault;
        }
    }
    if (!line.strMetricsAuth.empty()) {
        if (const std::string fault = access.LoadUsers(line.strMetricsAuth); !fault.empty()) {
            return "--metrics-auth: " + fault;
        }
    }
    return {};
}

// The stations of --stations in `stations`: empty, or why they cannot be measured, in the
// monitor's words.
std::string CheckStations(const SGuiCommandLine& line, std::vector<double>& stations) {
    if (line.strStations.empty()) {
        return {};
    }
    try {
        stations = CStationsAnalysis::ParseList(line.strStations);
    } catch (const COptionValueError& e) {
        return std::string("--stations: ") + e.what();
    }
    if (line.frequency) {
        return "--stations takes no --frequency: each station is its own";
    }
    if (!line.strMetrics.empty()) {
        return "--metrics serves one station in the window; `tavik monitor --stations` serves "
               "several";
    }
    const auto sources = ReceiverSources(line.strReceiver, std::nullopt);
    CStationsReceiverChoice choice;
    if (sources) {
        choice.iq = sources->iq;
        choice.live = sources->live;
    }
    std::vector<double> hertz;
    for (const double megahertz : stations) {
        hertz.push_back(std::round(megahertz * 1e3) * 1e3);
    }
    return choice.Fault(hertz);
}

}  // namespace

int RunGuiCommand(int& argc, char** argv, const SGuiCommandLine& commandLine) {
    CMetricsAddress metricsAddress;
    if (!commandLine.strMetrics.empty()) {
        if (const std::string fault = metricsAddress.Parse(commandLine.strMetrics);
            !fault.empty()) {
            std::cerr << "tavik: --metrics: " << fault << "\n";
            return 2;
        }
    }
    CMetricsAccess metricsAccess;
    if (const std::string fault = MetricsAccess(commandLine, metricsAccess); !fault.empty()) {
        std::cerr << "tavik: " << fault << "\n";
        return 2;
    }
    std::vector<double> stations;
    if (const std::string fault = CheckStations(commandLine, stations); !fault.empty()) {
        std::cerr << "tavik: " << fault << "\n";
        return 2;
    }
    // Qt's platform plugin would abort the process without a display.
    if (const std::string message = NoDisplayMessage(); !message.empty()) {
        std::cerr << message;
        return 2;
    }
    CTavikApplication application(argc, argv);
    const CSignalStop stopSignals;
    CTAVIKSDIApp app;
    SStartOptions options;
    options.strDocument = commandLine.strDocument;
    options.bStart = commandLine.bStart;
    options.bEnableAlarms = commandLine.bEnableAlarms;
    options.strLogFolder = commandLine.strLogFolder;
    options.strRecordings = commandLine.strRecordings;
    options.receiver = commandLine.receiver;
    options.evidenceSeconds = commandLine.evidenceSeconds;
    options.evidenceMaxMb = commandLine.evidenceMaxMb;
    options.stations = stations;
    const std::optional<double> station =
        commandLine.frequency ? std::optional<double>(*commandLine.frequency * 1e6) : std::nullopt;
    if (auto sources = ReceiverSources(commandLine.strReceiver, station)) {
        options.iqSource = std::move(sources->iq);
        options.liveSource = std::move(sources->live);
    }
    if (!app.InitInstance(options)) {
        return 1;
    }
    std::unique_ptr<CGuiMetrics> metrics;
    if (!commandLine.strMetrics.empty()) {
        metrics = std::make_unique<CGuiMetrics>(app.GetDocument());
        if (const std::string fault = metrics->Start(metricsAddress, metricsAccess);
            !fault.empty()) {
            std::cerr << "tavik: cannot serve the metrics on " << metricsAddress.ListeningPort()
                      << ": " << fault << "\n";
            return 1;
        }
        std::cout << "Metrics at " << metrics->Url() << std::endl;
    }
    // A stop signal ends the measurement the normal way (records written, day files closed
    // with their footer) and the program with 0, without the question a close would ask; the
    // window's place is kept as a close keeps it.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&app] {
        if (CSignalStop::Received() != 0) {
            for (CTAVIKSDIDoc* doc : app.GetMainFrame().GetDocuments()) {
                doc->OnMeasurementStop();  // every station's
            }
            app.GetMainFrame().SaveWindowPlace();
            QCoreApplication::exit(0);
        }
    });
    poll.start(kSignalPollMs);
    return QApplication::exec();
}

}  // namespace tavik

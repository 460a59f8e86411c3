#include "app/StationsMonitor.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <streambuf>
#include <thread>

#include "app/HeadlessRunner.h"
#include "app/ServiceNotifier.h"
#include "app/StationsAnalysis.h"
#include "device/StationsReceiver.h"
#include "metrics/MetricsServer.h"

namespace tavik {

namespace {

// A station's lines, each written whole (with its prefix) to the shared stream under the
// shared lock, so that the stations' lines never mix.
class CPrefixedLines final : public std::streambuf {
public:
    CPrefixedLines(std::ostream& target, std::mutex& mutex, std::string prefix)
        : m_target(target), m_mutex(mutex), m_strPrefix(std::move(prefix)) {}
    ~CPrefixedLines() override {
        if (!m_strLine.empty()) {
            m_strLine += '\n';
            Emit();
        }
    }

protected:
    int_type overflow(int_type c) override {
        if (c != traits_type::eof()) {
            m_strLine += static_cast<char>(c);
            if (c == '\n') {
                Emit();
            }
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        for (std::streamsize i = 0; i < count; ++i) {
            overflow(traits_type::to_int_type(text[i]));
        }
        return count;
    }

private:
    void Emit() {
        const std::lock_guard lock(m_mutex);
        m_target << m_strPrefix << m_strLine << std::flush;
        m_strLine.clear();
    }

    std::ostream& m_target;
    std::mutex& m_mutex;
    const std::string m_strPrefix;
    std::string m_strLine;
};

std::vector<double> Hertz(const std::vector<double>& megahertz) {
    std::vector<double> hertz;
    for (const double mhz : megahertz) {
        hertz.push_back(std::round(mhz * 1e3) * 1e3);
    }
    return hertz;
}

CStationsReceiverChoice ChoiceOf(const CMonitorOptions& options) {
    CStationsReceiverChoice choice;
    choice.iq = options.receiver.IqSettings(std::nullopt);
    choice.live = options.receiver.LiveSettings(std::nullopt);
    choice.rate = options.receiver.iqRate;
    choice.centre = options.receiver.iqFrequency;
    choice.dwellSeconds = options.nDwellSeconds;
    return choice;
}

std::string SetupOf(const CMonitorOptions& options, double megahertz) {
    for (const auto& [station, file] : options.stationSetups) {
        if (std::fabs(station - megahertz) < 1e-6) {
            return file;
        }
    }
    return options.strSetupFile;
}

}  // namespace

std::string CStationsMonitor::CheckReceiver(const CMonitorOptions& options) {
    if (options.frequency) {
        return "--stations takes no --frequency: each station is its own";
    }
    for (const auto& setup : options.stationSetups) {
        const double station = setup.first;
        if (std::none_of(options.stations.begin(), options.stations.end(),
                         [station](double s) { return std::fabs(s - station) < 1e-6; })) {
            return "--setup " + CStationsAnalysis::FolderName(station) + "=" + setup.second +
                   ": the station is not one of --stations";
        }
    }
    return ChoiceOf(options).Fault(Hertz(options.stations));
}

int CStationsMonitor::Run(const CMonitorOptions& options, std::ostream& out, std::ostream& err,
                          const std::atomic<int>& stop,
                          std::function<std::uint64_t()> consoleDrops) {
    if (const std::string fault = CheckReceiver(options); !fault.empty()) {
        err << "monitor: " << fault << std::endl;
        return 1;
    }
    CRealTimePacer pacer(options.fSpeed);  // a capture's pace
    CStationsReceiver shared;
    try {
        shared = MakeStationsReceiver(ChoiceOf(options), Hertz(options.stations), pacer);
    } catch (const std::exception& e) {
        err << "monitor: " << e.what() << std::endl;
        return 1;
    }
    if (shared.stream->Bands() > 1) {
        std::string bands;
        for (int b = 0; b < shared.stream->Bands(); ++b) {
            bands += (b == 0 ? "" : ", ") + shared.stream->DescribeBand(b);
        }
        (options.bJsonLines ? err : out)
            << "The stations do not fit one band: measuring " << bands << " in turn, "
            << options.nDwellSeconds << " s each" << std::endl;
    }
    const std::size_t count = options.stations.size();
    // One endpoint for all: each station's series labelled with its frequency_mhz.
    std::unique_ptr<CMetricsServer> metrics;
    if (options.metrics) {
        metrics = std::make_unique<CMetricsServer>(&CMetricsText::FormatStations,
                                                   static_cast<int>(count));
        if (const std::string fault = metrics->Start(*options.metrics, options.metricsAccess);
            !fault.empty()) {
            err << "monitor: cannot serve the metrics on " << options.metrics->ListeningPort()
                << ": " << fault << std::endl;
            return 1;
        }
        (options.bJsonLines ? err : out)
            << "Metrics at " << metrics->Scheme() << "://"
            << options.metrics->HostPort(metrics->GetPort()) << "/metrics" << std::endl;
    }
    // systemd hears of all stations at once: the watchdog needs every one of them.
    CStationsServiceNotifier service(static_cast<int>(count));
    std::mutex lines;
    std::vector<int> codes(count, 0);
    std::vector<std::thread> threads;
    for (std::size_t s = 0; s < count; ++s) {
        const double mhz = options.stations[s];
        CMonitorOptions station = options;
        station.stations.clear();
        station.stationSetups.clear();
        station.frequency = static_cast<float>(mhz);
        station.strSetupFile = SetupOf(options, mhz);
        if (!options.strLogFolder.empty()) {
            station.strLogFolder =
                (std::filesystem::path(options.strLogFolder) / CStationsAnalysis::FolderName(mhz))
                    .string();
        }
        station.receiver.iqFile.reset();
        station.receiver.live = shared.station;
        station.receiver.live->channel = shared.stream->Channel(static_cast<int>(s));
        station.receiver.fullScale =
            shared.station.fullScale ? shared.station.fullScale : options.receiver.fullScale;
        station.metrics.reset();
        station.pSharedMetrics = metrics.get();
        station.pSharedService = &service;
        station.nStation = static_cast<int>(s);
        threads.emplace_back([&, station, s, mhz] {
            const std::string prefix = CStationsAnalysis::FolderName(mhz) + " ";
            // JSON lines name their station themselves.
            CPrefixedLines outLines(out, lines, options.bJsonLines ? "" : prefix);
            CPrefixedLines errLines(err, lines, prefix);
            std::ostream stationOut(&outLines);
            std::ostream stationErr(&errLines);
            try {
                CHeadlessRunner runner(station, stationOut, stationErr, stop);
                runner.SetConsoleDropCount(consoleDrops);
                codes[s] = runner.Run();
            } catch (const std::exception& e) {
                stationErr << "monitor: " << e.what() << std::endl;
                codes[s] = 1;
            }
            // Also when the station could not start: the others' rounds go on without it.
            service.Ended(static_cast<int>(s));
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    return *std::max_element(codes.begin(), codes.end());
}

}  // namespace tavik

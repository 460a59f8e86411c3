#include "app/MonitorCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/DecoderOptions.h"
#include "app/DroppingLineOutput.h"
#include "app/HeadlessRunner.h"
#include "app/ServiceNotifier.h"
#include "app/SetupJson.h"
#include "app/SignalStop.h"
#include "app/StationsAnalysis.h"
#include "app/StationsMonitor.h"
#include "tools/CommandLineValues.h"

namespace tavik {

CMonitorCommand::CMonitorCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand("monitor",
                                       "measure recordings or a live receiver without a display")) {
    CLI::App& c = *m_pCommand;
    CMonitorOptions& o = m_options;
    c.add_option("DIR", o.strDataFolder, "the folder of the recordings (default: here)")
        ->type_name("");
    AddIntegerOption(c, "--seconds", "N", "stop after N seconds (default: run until a signal)", 1,
                     10LL * 365 * 86400,
                     [&o](std::int64_t v) { o.nSeconds = static_cast<int>(v); });
    AddTextOption(c, "--log-folder", "DIR",
                  "write the result file and the text log into DIR (made when missing; files are\n"
                  "continued, never deleted)",
                  [&o](const std::string& v) {
                      if (v.empty()) {
                          throw COptionValueError("needs a folder");
                      }
                      o.strLogFolder = v;
                  });
    c.add_option_function<std::vector<std::string>>(
         "--setup",
         [&o](const std::vector<std::string>& texts) {
             for (const std::string& text : texts) {
                 // MHZ=FILE: one station's own setup.
                 const std::size_t equals = text.find('=');
                 if (equals != std::string::npos && equals > 0 &&
                     text.find_first_not_of("0123456789.") == equals) {
                     try {
                         o.stationSetups.emplace_back(
                             GridFrequency(CheckedNumber(text.substr(0, equals), 87.5, 108.0),
                                           text.substr(0, equals)),
                             text.substr(equals + 1));
                     } catch (const COptionValueError& e) {
                         throw CLI::ValidationError("--setup", e.what());
                     }
                 } else if (!o.strSetupFile.empty()) {
                     throw CLI::ValidationError(
                         "--setup",
                         "give one setup for all stations, and MHZ=FILE for a station's own");
                 } else {
                     o.strSetupFile = text;
                 }
             }
         },
         "open this setup (.tvk) first; with --stations also MHZ=FILE, a station's own")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddIntegerOption(c, "--dwell", "SECONDS",
                     "with --stations a live receiver cannot take at once: measure their bands\n"
                     "in turn, this long each (default: 60)",
                     1, 86400, [&o](std::int64_t v) { o.nDwellSeconds = static_cast<int>(v); });
    AddTextOption(c, "--stations", "MHZ,...",
                  "measure these stations of the receiver at once, each on its own (2 to 8, at\n"
                  "least 100 kHz apart, within the receiver's band; with --log-folder:\n"
                  "LOG/<MHz>/; lines prefixed by the frequency)",
                  [&o](const std::string& v) { o.stations = CStationsAnalysis::ParseList(v); });
    c.add_flag("--enable-alarms", o.bEnableAlarms, "enable every alarm of the setup");
    AddNumberOption(c, "--frequency", "MHZ", "tune to this frequency (87.5 to 108, 25 kHz grid)",
                    87.5, 108.0, [&o](double v) {
                        if (const std::string fault = CSetupJson::FrequencyFault(v);
                            !fault.empty()) {
                            throw COptionValueError(fault);
                        }
                        o.frequency = static_cast<float>(v);
                    });
    o.receiver.AddOptions(c);
    AddDecoderOptions(c, o.decoder);
    c.add_flag("--json-lines", o.bJsonLines,
               "one JSON object per second on stdout instead of the status line; the other\n"
               "lines go to stderr");
    AddTextOption(c, "--on-alarm", "PROGRAM",
                  "run PROGRAM (no shell) on every alarm activation and deactivation, with the\n"
                  "alarm in TAVIK_ALARM_* environment variables; killed after 10 s",
                  [&o](const std::string& v) {
                      if (v.empty()) {
                          throw COptionValueError("needs a program");
                      }
                      o.strOnAlarm = v;
                  });
    AddIntegerOption(
        c, "--evidence", "SECONDS",
        "keep the MPX from SECONDS before to SECONDS after every alarm activation as\n"
        "a WAV file (200 kHz, 16 bit) in the log folder's evidence/ (needs --log-folder)",
        1, 120, [&o](std::int64_t v) { o.nEvidenceSeconds = static_cast<int>(v); });
    AddIntegerOption(c, "--evidence-max-mb", "MB",
                     "the evidence clips together take at most MB megabytes; the oldest go first\n"
                     "(default: 500)",
                     1, 1000000, [&o](std::int64_t v) { o.nEvidenceMaxMb = static_cast<int>(v); });
    c.add_flag("--quiet", o.bQuiet,
               "leave out the status line (or JSON line) of every second; events, notices and\n"
               "errors remain");
    AddTextOption(c, "--metrics", "ADDR:PORT",
                  "serve Prometheus metrics at http://ADDR:PORT/metrics (PORT alone: on\n"
                  "127.0.0.1, this machine only; 0.0.0.0:PORT for every interface)",
                  [&o](const std::string& v) {
                      CMetricsAddress address;
                      if (const std::string fault = address.Parse(v); !fault.empty()) {
                          throw COptionValueError(fault);
                      }
                      o.metrics = address;
                  });
    AddTextOption(c, "--metrics-tls", "CERT,KEY",
                  "serve the metrics by HTTPS only, with this certificate chain and private key\n"
                  "(PEM files)",
                  [&o](const std::string& v) {
                      if (const std::string fault = o.metricsAccess.SetTls(v); !fault.empty()) {
                          throw COptionValueError(fault);
                      }
                  })
        ->needs("--metrics");
    AddTextOption(c, "--metrics-auth", "FILE",
                  "answer only scrapes with the credentials of a user of FILE (Prometheus's\n"
                  "web config: basic_auth_users: with NAME: BCRYPT_HASH lines)",
                  [&o](const std::string& v) {
                      if (const std::string fault = o.metricsAccess.LoadUsers(v); !fault.empty()) {
                          throw COptionValueError(fault);
                      }
                  })
        ->needs("--metrics");
    // Faster than real time, for tests; not shown in the help.
    AddNumberOption(c, "--speed", "X", "", 0.1, 1000.0, [&o](double v) {
        o.fSpeed = v;
    })->group("");
    c.footer(
        "Measures the recordings mpx.dat, lev.dat, rds.dat in DIR live, looping them, until\n"
        "--seconds pass or SIGINT or SIGTERM stops the measurement the normal way.\n"
        "One status line per second: elapsed time, deviation and its maximum (kHz), MPX power\n"
        "1 s and 60 s (dBr), multipath (%/kHz) with the ITU-R status, RF level (dBuV), PI, PS,\n"
        "RDS bit error rate (%) and the active alarms; \"-\" where no value exists yet.");
}

int CMonitorCommand::Run(std::ostream& out, std::ostream& err) const {
    const CSignalStop signals;
    // On the console the lines go out without ever blocking the measurement; lines a stalled
    // reader cannot take are dropped and counted.
    std::unique_ptr<CDroppingLineOutput> outBuffer;
    std::unique_ptr<CDroppingLineOutput> errBuffer;
    std::unique_ptr<std::ostream> outStream;
    std::unique_ptr<std::ostream> errStream;
    std::ostream* console = &out;
    std::ostream* errors = &err;
    if (&out == &std::cout) {
        outBuffer = std::make_unique<CDroppingLineOutput>(STDOUT_FILENO);
        // `tavik monitor | head -1`: the reader has gone, so the measurement stops the normal
        // way (files closed with their footer) and the command ends with 0.
        outBuffer->SetClosedHandler([] { CSignalStop::Request(SIGPIPE); });
        outStream = std::make_unique<std::ostream>(outBuffer.get());
        console = outStream.get();
    }
    if (&err == &std::cerr) {
        errBuffer = std::make_unique<CDroppingLineOutput>(STDERR_FILENO);
        errStream = std::make_unique<std::ostream>(errBuffer.get());
        errors = errStream.get();
    }
    // Lines for the journal begin with their priority: info on stdout; on stderr error for
    // failures (every line of one), warning for the rest (notices, reception, drops, alarm
    // events).
    CMonitorOptions options = m_options;
    const char* journal = std::getenv("JOURNAL_STREAM");
    if (outBuffer && CServiceNotifier::IsJournal(journal, STDOUT_FILENO)) {
        outBuffer->SetLinePrefix("<6>");
    }
    if (errBuffer && CServiceNotifier::IsJournal(journal, STDERR_FILENO)) {
        errBuffer->SetLinePrefix("<4>");
        options.bJournal = true;
    }
    int code = 0;
    const auto consoleDrops = [&outBuffer, &errBuffer] {
        return static_cast<std::uint64_t>((outBuffer ? outBuffer->GetDroppedLines() : 0) +
                                          (errBuffer ? errBuffer->GetDroppedLines() : 0));
    };
    if (!options.stations.empty()) {
        code = CStationsMonitor::Run(options, *console, *errors, CSignalStop::Flag(), consoleDrops);
    } else if (!options.stationSetups.empty()) {
        *errors << "monitor: --setup MHZ=FILE needs --stations" << std::endl;
        code = 2;
    } else {
        CHeadlessRunner runner(options, *console, *errors, CSignalStop::Flag());
        runner.SetConsoleDropCount(consoleDrops);
        code = runner.Run();
    }
    if (outBuffer && outBuffer->GetDroppedLines() > 0 && !outBuffer->IsClosed()) {
        *errors << "monitor: " << outBuffer->GetDroppedLines()
                << " output lines could not be written (the output was not read) and were "
                   "dropped"
                << std::endl;
    }
    return code;
}

}  // namespace tavik

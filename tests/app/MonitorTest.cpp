#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/JsonValues.h"
#include "app/StatusLine.h"
#include "document/BatchAnalysis.h"
#include "document/TAVIKSDIDoc.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/LogFileCheck.h"
#include "tests/support/TextMatch.h"
#include "tools/StationGenerator.h"

// Runs the built `tavik monitor` on the known recording, ten times faster than real time.
namespace tavik {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Count;
using test::CTempFolder;
using test::Has;
using test::IsWellFormedXml;
using test::Matches;
using test::ReadText;

// Every wait of these tests ends; a run that does not finish in this time has failed.
constexpr auto kLimit = 60s;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A status line, whose every field the status line's own test pins.
const std::regex kStatusLine(
    R"(\d\d:\d\d:\d\d dev .* kHz \| mpx .* dBr \| (pilot|no pilot) .* \| L .* dB \| mp .* \| alarms .+)");

std::size_t StatusLines(const std::string& out) {
    const std::vector<std::string> lines = Lines(out);
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& l) {
        return std::regex_match(l, kStatusLine);
    }));
}

// The timestamps of a result file's records, in order.
std::vector<long long> Timestamps(const std::string& results) {
    std::vector<long long> stamps;
    const std::regex stamp(R"re(timestamp="(\d+)")re");
    for (std::sregex_iterator it(results.begin(), results.end(), stamp), end; it != end; ++it) {
        stamps.push_back(std::stoll((*it)[1].str()));
    }
    return stamps;
}

// How a run's process is set up besides its arguments.
struct CProcessSetup {
    int stdoutFd = -1;         // a descriptor for standard output instead of the file
    rlim_t fileSizeLimit = 0;  // RLIMIT_FSIZE in bytes; 0 = unlimited
    bool closeStdout = false;  // started with standard output closed (`>&-`)
};

// One run of the executable in `folder`, its output and errors going to files beside it.
class CMonitorProcess {
public:
    CMonitorProcess(const std::string& folder, const std::string& outputs,
                    std::vector<std::string> args, CProcessSetup setup = {},
                    const std::string& syncFault = "")
        : m_strOut(outputs + "/stdout.txt"), m_strErr(outputs + "/stderr.txt") {
        args.insert(args.begin(), {TAVIK_EXECUTABLE, "monitor"});
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            env.emplace_back(*entry);
        }
        if (!syncFault.empty()) {  // TAVIK_SYNC_FAULT of the preloaded fdatasync (SyncFault.cpp)
            env.push_back(std::string("LD_PRELOAD=") + TAVIK_SYNC_FAULT);
            env.push_back("TAVIK_SYNC_FAULT=" + syncFault);
        }
        std::vector<char*> envp;
        for (std::string& entry : env) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        m_pid = fork();
        if (m_pid == 0) {
            // Only async-signal-safe calls between fork and exec.
            const int out = setup.stdoutFd >= 0
                                ? setup.stdoutFd
                                : open(m_strOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open(m_strErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
                chdir(folder.c_str()) != 0) {
                _exit(127);
            }
            if (setup.closeStdout) {
                close(1);
            }
            if (setup.fileSizeLimit != 0) {
                const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
    }
    ~CMonitorProcess() {
        if (m_pid > 0 && !m_bReaped) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

    // Waits until the output holds `count` status lines; false when it ended or the limit
    // passed first.
    bool WaitForStatusLines(std::size_t count) {
        return Poll([&] { return StatusLines(Out()) >= count; });
    }
    // The exit code, or -1 when it did not end normally within the limit (it is then killed).
    int Wait() {
        Poll([] { return false; });
        return m_bReaped && WIFEXITED(m_nStatus) ? WEXITSTATUS(m_nStatus) : -1;
    }
    void Signal(int signal) { kill(m_pid, signal); }
    long ResidentKilobytes() const {
        std::smatch m;
        const std::string status = ReadText("/proc/" + std::to_string(m_pid) + "/status");
        return std::regex_search(status, m, std::regex(R"(VmRSS:\s*(\d+))")) ? std::stol(m[1]) : -1;
    }
    std::string Out() const { return ReadText(m_strOut); }
    std::string Err() const { return ReadText(m_strErr); }

private:
    // Polls `done` until it holds (true), the process has ended or the limit passed.
    bool Poll(const std::function<bool()>& done) {
        for (const auto end = std::chrono::steady_clock::now() + kLimit;
             std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(10ms)) {
            if (done()) {
                return true;
            }
            if (m_bReaped || waitpid(m_pid, &m_nStatus, WNOHANG) == m_pid) {
                m_bReaped = true;
                return false;
            }
        }
        return false;
    }

    std::string m_strOut;
    std::string m_strErr;
    pid_t m_pid = -1;
    int m_nStatus = 0;
    bool m_bReaped = false;
};

// A setup file with one deviation alarm above 1 kHz, which any programme raises at once.
std::string SaveDeviationAlarm(const std::string& path, const std::string& name,
                               COleDateTimeSpan delay, int acknowledge) {
    CTAVIKSDIDoc doc;
    doc.SetAlarm(name,
                 std::make_unique<CAlarmItem>(name, ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER,
                                              1.0f, ALARM_ACTION_LOG_ONLY, delay, acknowledge));
    EXPECT_TRUE(doc.OnSaveDocument(path));
    return path;
}

class MonitorTest : public ::testing::Test {
protected:
    MonitorTest() {
        setenv("TZ", "Europe/Berlin", 1);
        fs::create_directory(logs);
    }

    std::string Only(const char* extension) const {
        for (const fs::directory_entry& entry : fs::directory_iterator(logs)) {
            if (entry.path().extension() == extension) {
                return entry.path().string();
            }
        }
        return "";
    }
    // The day's result file ends closed and parses.
    void ExpectClosedResultFile() const {
        const std::string results = ReadText(Only(".xml"));
        EXPECT_TRUE(results.ends_with("</Tavik>\r\n")) << results;
        EXPECT_EQ(Count(results, "</Tavik>"), 1u);
        EXPECT_TRUE(IsWellFormedXml(Only(".xml")));
    }

    const std::string recording = test::CKnownRecording::Get().Folder();
    CTempFolder outputs;
    std::string logs = outputs.File("logs");
};

TEST_F(MonitorTest, PrintsOneLinePerSecondAndClosesTheFilesThatTheNextRunContinues) {
    CMonitorProcess run(recording, outputs.Path(),
                        {"--seconds", "3", "--log-folder", logs, "--speed", "10"});
    ASSERT_EQ(run.Wait(), 0) << run.Err();
    EXPECT_EQ(test::WithoutDropNotices(run.Err()), "");
    const std::vector<std::string> lines = Lines(run.Out());
    ASSERT_EQ(lines.size(), 7u) << run.Out();
    EXPECT_EQ(lines[0], "Monitoring 106.70 MHz for 3 s; SIGINT or SIGTERM stops");
    for (std::size_t second = 1; second <= 3; ++second) {
        EXPECT_TRUE(std::regex_match(lines[second], kStatusLine)) << lines[second];
        EXPECT_EQ(lines[second].substr(0, 9), "00:00:0" + std::to_string(second) + " ");
    }
    // Within three seconds blocks have arrived: the last line has a measured deviation.
    EXPECT_TRUE(Matches(lines[3], R"(dev \d+\.\d max \d+\.\d kHz)"));
    EXPECT_EQ(lines[4], "Stopped after 00:00:03");
    const std::string xml = Only(".xml");
    const std::string log = Only(".log");
    ASSERT_FALSE(xml.empty() || log.empty());
    EXPECT_EQ(lines[5], "Result file: " + xml);
    EXPECT_EQ(lines[6], "Log file: " + log);
    const std::string results = ReadText(xml);
    EXPECT_EQ(results.substr(0, 32), "<?xml version=\"1.0\"?>\r\n<Tavik>\r\n");
    ExpectClosedResultFile();
    // One record per second; faster than real time too, each stamps the second after the last.
    const std::vector<long long> stamps = Timestamps(results);
    ASSERT_EQ(stamps.size(), 3u);
    EXPECT_EQ(stamps, (std::vector<long long>{stamps[0], stamps[0] + 1, stamps[0] + 2}));
    // Opened, started, stopped, closed: the lines' texts are the document's.
    // A loaded machine may add a line on dropped blocks, and the station's line comes once its
    // PS was read twice; the rest are always these four.
    const std::string text = ReadText(log);
    EXPECT_EQ(Count(text, "\r\n") - Count(text, ": Dropped ") - Count(text, ": RDS: "), 4u) << text;
    EXPECT_TRUE(text.ends_with(": File Closed\r\n")) << text;

    // The next run of the day continues its files, never deletes them, and asks nothing.
    CMonitorProcess next(recording, outputs.Path(),
                         {"--seconds", "2", "--log-folder", logs, "--speed", "10"});
    ASSERT_EQ(next.Wait(), 0) << next.Err();
    EXPECT_EQ(test::WithoutDropNotices(next.Err()), "");
    EXPECT_EQ(Count(ReadText(xml), "<Measurement id="), 5u);
    ExpectClosedResultFile();
    EXPECT_EQ(Count(ReadText(log), "Measurement Started"), 2u);
}

// SIGTERM stops as the end of --seconds does; meanwhile a second process on the same log
// folder is refused and never measures.
TEST_F(MonitorTest, SigtermStopsTheNormalWayAndASecondProcessOnTheLogFolderIsRefused) {
    CMonitorProcess run(recording, outputs.Path(), {"--log-folder", logs, "--speed", "10"});
    ASSERT_TRUE(run.WaitForStatusLines(1)) << run.Out() << run.Err();
    CTempFolder other;
    CMonitorProcess second(recording, other.Path(), {"--log-folder", logs, "--speed", "10"});
    EXPECT_EQ(second.Wait(), 1);
    EXPECT_TRUE(Matches(second.Err(), "The log folder \"" + logs +
                                          "\" is in use by another tavik process \\(pid \\d+\\)"));
    EXPECT_FALSE(Has(second.Out(), " dev "));
    ASSERT_TRUE(run.WaitForStatusLines(2)) << run.Out() << run.Err();
    run.Signal(SIGTERM);
    ASSERT_EQ(run.Wait(), 0) << run.Err();

    const std::string out = run.Out();
    EXPECT_TRUE(Has(out, "Stopping on signal 15\nStopped after "));
    ExpectClosedResultFile();
    // No second is lost: one record for every status line printed.
    EXPECT_GE(StatusLines(out), 2u);
    EXPECT_EQ(Count(ReadText(Only(".xml")), "<Measurement id="), StatusLines(out));
    const std::string log = ReadText(Only(".log"));
    for (const char* line :
         {": Measurement Started\r\n", ": Measurement stopped\r\n", ": File Closed\r\n"}) {
        EXPECT_EQ(Count(log, line), 1u) << line << log;
    }
}

TEST_F(MonitorTest, AlarmsOfTheSetupRaiseEventsWhenEnabled) {
    // Nobody is there to acknowledge the alarm.
    const std::string setup = SaveDeviationAlarm(outputs.File("alarm.tvk"), "Dev",
                                                 COleDateTimeSpan(), ALARM_ACKNOWLEDGE_YES);
    CMonitorProcess run(recording, outputs.Path(),
                        {"--seconds", "3", "--setup", setup, "--enable-alarms", "--speed", "10",
                         "--log-folder", logs});
    ASSERT_EQ(run.Wait(), 0) << run.Err();
    const std::string out = run.Out();
    // The text log has the alarm's line, whose text the batch analysis pins.
    EXPECT_TRUE(Has(ReadText(Only(".log")), ": Alarm \"Dev\" caused an alarm because DEVIATION("));
    EXPECT_EQ(Lines(out).at(0), "1 alarm enabled");
    // (A loaded machine may have dropped blocks, which the line then ends with.)
    EXPECT_TRUE(Matches(out, R"(\n00:00:0\d dev [^\n]*\| alarms Dev( \| dropped [^\n]*)?\n)"));
    // The event on the error stream, in the log's words.
    EXPECT_TRUE(Matches(run.Err(),
                        R"((^|\n)00:00:0\d Alarm "Dev" caused an alarm because )"
                        R"(DEVIATION\(\d+\.\d{3}\) > 1\.000kHz\n00:00:0\d Alarm "Dev" is )"
                        R"(acknowledged: it switches off when its condition clears\.\n)"));
    EXPECT_FALSE(Has(out, "Alarm \""));

    // Loaded but not enabled, the alarm stays quiet.
    CMonitorProcess quiet(recording, outputs.Path(),
                          {"--seconds", "2", "--setup", setup, "--speed", "10"});
    ASSERT_EQ(quiet.Wait(), 0) << quiet.Err();
    EXPECT_FALSE(Has(quiet.Err(), "Alarm \""));
}

// Under --json-lines stdout carries one object per second and nothing else.
TEST_F(MonitorTest, JsonLinesCarryEveryKeyAndNullsForWhatIsNotMeasuredYet) {
    CMonitorProcess run(recording, outputs.Path(),
                        {"--seconds", "3", "--speed", "2", "--json-lines"});
    ASSERT_EQ(run.Wait(), 0) << run.Err();
    const std::vector<std::string> lines = Lines(run.Out());
    ASSERT_EQ(lines.size(), 3u) << run.Out();
    for (const std::string& line : lines) {
        const CJson json = CJson::parse(line);
        ASSERT_EQ(json.size(), 24u) << line;
        EXPECT_TRUE(json["cn_db"].is_null()) << line;  // the recordings come with no reception
        EXPECT_TRUE(json["mpx_power_60s_dbr"].is_null()) << line;  // a minute is needed
    }
    const CJson last = CJson::parse(lines.back());
    EXPECT_TRUE(last["deviation_peak_khz"].is_number()) << lines.back();
    EXPECT_EQ(last["rds"]["pi"], "D313") << lines.back();
    // The recording's 6.75 kHz pilot, 3 kHz RDS and 50 kHz tone at 1 kHz in both channels: with
    // 50 us de-emphasis (not pre-emphasised) 20 lg(50/75) - 10 lg(1 + (2 pi 1 kHz 50 us)^2) dB.
    EXPECT_NEAR(last["pilot_khz"].get<double>(), 6.75, 0.1) << lines.back();
    EXPECT_NEAR(last["pilot_error_hz"].get<double>(), 0.0, 0.5) << lines.back();
    EXPECT_NEAR(last["rds_injection_khz"].get<double>(), 3.0, 0.1) << lines.back();
    EXPECT_NEAR(last["audio_left_db"].get<double>(), -3.93, 0.2) << lines.back();
    EXPECT_NEAR(last["audio_right_db"].get<double>(), -3.93, 0.2) << lines.back();
    EXPECT_EQ(last["silence"], false) << lines.back();
    // The people's lines went to stderr.
    EXPECT_EQ(Lines(run.Err()).front(), "Monitoring 106.70 MHz for 3 s; SIGINT or SIGTERM stops");
}

// The program gets the event in its environment, never through a shell: a PS and an alarm
// name holding $(...) arrive as they are, and nothing of them is run. It never holds up the
// measurement: still sleeping after 10 s, it is killed and that is logged.
TEST_F(MonitorTest, OnAlarmRunsTheProgramWithoutAShell) {
    CTempFolder station;
    CGeneratorOptions options;
    options.strOutputFolder = station.Path();
    options.fSeconds = 3.0;
    options.strPS = "\xAB(date)";  // "$(date)" in the RDS code table
    CStationGenerator(options).Run();
    const std::string setup =
        SaveDeviationAlarm(outputs.File("alarm.tvk"), "$(touch pwned)",
                           COleDateTimeSpan(0, 0, 0, 2), ALARM_ACKNOWLEDGE_NO);
    const std::string hook = outputs.File("hook.sh");
    std::ofstream(hook) << "#!/bin/sh\nenv | grep '^TAVIK_' | sort > '" << outputs.File("env.txt")
                        << "'\nsleep 40 &\necho $! > '" << outputs.File("grandchild.txt")
                        << "'\nexec sleep 30\n";
    fs::permissions(hook, fs::perms::owner_all);
    const auto started = std::chrono::steady_clock::now();
    CMonitorProcess run(station.Path(), outputs.Path(),
                        {"--seconds", "5", "--setup", setup, "--enable-alarms", "--on-alarm", hook,
                         "--log-folder", logs});
    ASSERT_EQ(run.Wait(), 0) << run.Err();
    EXPECT_GE(std::chrono::steady_clock::now() - started, 10s);  // it waited for the program
    EXPECT_EQ(StatusLines(run.Out()), 5u);  // every second measured while the program slept

    // The variables' texts are pinned on the notifier; here what reaches the program.
    const std::string env = ReadText(outputs.File("env.txt"));
    for (const char* variable : {"TAVIK_ALARM_NAME=$(touch pwned)\n", "TAVIK_PS=$(date) \n",
                                 "TAVIK_PI=D313\n", "TAVIK_ALARM_STATE=active\n"}) {
        EXPECT_TRUE(Has(env, variable));
    }
    EXPECT_TRUE(Matches(env, R"(TAVIK_ALARM_VALUE=\d+\.?\d*\n)"));
    EXPECT_FALSE(fs::exists(station.File("pwned")) || fs::exists(outputs.File("pwned")));
    EXPECT_TRUE(Matches(run.Err(), R"(monitor: --on-alarm: ".*hook\.sh" \(pid \d+\) still ran )"
                                   R"(after 10 s and was killed)"));
    // Killed with the processes it started.
    const pid_t grandchild = std::stoi(ReadText(outputs.File("grandchild.txt")));
    EXPECT_TRUE(kill(grandchild, 0) != 0 ||
                Has(ReadText("/proc/" + std::to_string(grandchild) + "/stat"), ") Z "));
}

// The monitor detects the receiver as the application does at start-up, so both modes subtract
// the same calibration and agree on multipath and the ITU-R status.
TEST_F(MonitorTest, MultipathAgreesWithTheBatchAnalysis) {
    CBatchOptions options;
    options.strDataFolder = recording;
    CRecordingPrompt prompt;
    const CBatchSummary batch = CBatchAnalysis(options, prompt).Run();
    ASSERT_TRUE(batch.fMultipath && batch.nItuStatus);

    CMonitorProcess run(recording, outputs.Path(), {"--seconds", "4", "--speed", "10"});
    ASSERT_EQ(run.Wait(), 0) << run.Err();
    const std::string out = run.Out();
    std::string multipath, status;  // of the last line with a value
    const std::regex value(R"(\| mp (\d+\.\d+) %/kHz (\S+) )");
    for (std::sregex_iterator it(out.begin(), out.end(), value), end; it != end; ++it) {
        multipath = (*it)[1];
        status = (*it)[2];
    }
    ASSERT_FALSE(multipath.empty()) << out;
    EXPECT_NEAR(std::stof(multipath), *batch.fMultipath, 0.01f + 0.05f * *batch.fMultipath) << out;
    EXPECT_EQ(status, CStatusLine::StatusText(*batch.nItuStatus)) << out;
}

// Nobody reads the output (a paused pager, a dead logger): the status lines are dropped, the
// measurement and its records go on with flat memory, and SIGTERM still stops it promptly.
TEST_F(MonitorTest, AnUnreadOutputNeverHoldsUpTheMeasurement) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    fcntl(pipeFds[1], F_SETPIPE_SZ, 4096);  // full after a few dozen lines
    CMonitorProcess run(recording, outputs.Path(), {"--log-folder", logs, "--speed", "20"},
                        {pipeFds[1], 0});
    close(pipeFds[1]);
    std::this_thread::sleep_for(2s);  // the pipe is full long before this
    [[maybe_unused]] const long early = run.ResidentKilobytes();
    std::this_thread::sleep_for(4s);  // two more minutes of measuring
    [[maybe_unused]] const long late = run.ResidentKilobytes();
    run.Signal(SIGTERM);
    const auto signalled = std::chrono::steady_clock::now();
    ASSERT_EQ(run.Wait(), 0) << run.Err();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 5s);
    close(pipeFds[0]);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // Sanitizers keep freed memory in quarantine and grow shadow memory on their own.
    EXPECT_LT(late - early, 4096) << early << " kB, then " << late << " kB";
#endif
    EXPECT_TRUE(Matches(run.Err(), R"(monitor: \d+ output lines could not be written)"));
    // One record per measured second: 120 nominal, fewer only on a machine too loaded to keep
    // the pace; a stalled loop would have written none after the pipe filled.
    EXPECT_GE(Count(ReadText(Only(".xml")), "<Measurement id="), 40u);
    EXPECT_TRUE(IsWellFormedXml(Only(".xml")));
}

// `tavik monitor | head -1`: when the reader goes, the measurement stops the normal way.
TEST_F(MonitorTest, AClosedOutputStopsTheMeasurementTheNormalWay) {
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);  // the child keeps no read end of its own
    CMonitorProcess run(recording, outputs.Path(), {"--log-folder", logs, "--speed", "10"},
                        {pipeFds[1]});
    close(pipeFds[1]);
    std::string first;
    for (char c = 0; read(pipeFds[0], &c, 1) == 1 && c != '\n';) {
        first += c;
    }
    close(pipeFds[0]);
    EXPECT_EQ(first.rfind("Monitoring ", 0), 0u) << first;
    ASSERT_EQ(run.Wait(), 0) << run.Err();
    EXPECT_FALSE(Has(run.Err(), "could not be written"));
    ExpectClosedResultFile();
    EXPECT_EQ(Count(ReadText(Only(".log")), ": File Closed\r\n"), 1u);
}

// A file-size limit stands in for a full disk: the records that cannot be written are
// counted and the run fails.
TEST_F(MonitorTest, LostRecordsExitNonZeroWithTheirCount) {
    CMonitorProcess run(recording, outputs.Path(),
                        {"--seconds", "70", "--log-folder", logs, "--speed", "20"}, {-1, 1500});
    EXPECT_EQ(run.Wait(), 1) << run.Err();
    EXPECT_TRUE(Matches(run.Err(), R"(monitor: \d+ results were lost)"));
    EXPECT_FALSE(Has(run.Out(), "Result file: "));

    // Started with standard output closed: the lock file does not become descriptor 1 and
    // takes no status line.
    fs::remove_all(logs);
    CMonitorProcess noOutput(recording, outputs.Path(),
                             {"--seconds", "2", "--log-folder", logs, "--speed", "10"},
                             {-1, 0, true});
    EXPECT_EQ(noOutput.Wait(), 0) << noOutput.Err();
    EXPECT_TRUE(std::regex_match(ReadText(logs + "/.tavik.lock"), std::regex(R"(\d+\n)")))
        << ReadText(logs + "/.tavik.lock");

    // A log folder that cannot be made is refused before measuring.
    fs::create_directory(outputs.File("file"));
    std::ofstream(outputs.File("file/plain")) << "x";
    CMonitorProcess refused(recording, outputs.Path(),
                            {"--seconds", "3", "--log-folder", outputs.File("file/plain/logs")});
    EXPECT_EQ(refused.Wait(), 1);
    EXPECT_TRUE(Has(refused.Err(), "monitor: cannot log into"));
    EXPECT_FALSE(Has(refused.Out(), " dev "));
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// fdatasync answered as a failing disk, then as a stalling one (a library preloaded into the
// executable; not under the sanitizers, whose runtimes must be loaded first): syncs that never
// recover fail the run with the records not confirmed on disk, not as lost; a stop during a
// stall of 20 s ends at once and tells what it left to the disk.
TEST_F(MonitorTest, ADiskThatFailsOrStallsItsSyncsFailsTheRunTruly) {
    CMonitorProcess failing(recording, outputs.Path(),
                            {"--seconds", "70", "--log-folder", logs, "--speed", "20"}, {},
                            "fail:2");
    EXPECT_EQ(failing.Wait(), 1) << failing.Err();
    EXPECT_TRUE(
        Matches(failing.Err(), R"(monitor: \d+ results were written but not confirmed on disk)"))
        << failing.Err();
    EXPECT_FALSE(Has(failing.Err(), "lost"));
    ExpectClosedResultFile();
    EXPECT_TRUE(Matches(ReadText(Only(".log")), R"(: \d+ results were written but not confirmed )"
                                                R"(on disk \(the disk failed to sync them\)\r\n)"));

    const CTempFolder second;  // no output of the first run is taken for the second's
    logs = second.File("logs");
    CMonitorProcess stalling(recording, second.Path(), {"--log-folder", logs, "--speed", "10"}, {},
                             "stall:2:20");
    ASSERT_TRUE(stalling.WaitForStatusLines(2));
    stalling.Signal(SIGTERM);
    const auto signalled = std::chrono::steady_clock::now();
    EXPECT_EQ(stalling.Wait(), 1) << stalling.Err();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 5s);  // not the stall's 20 s
    EXPECT_TRUE(Matches(stalling.Err(), R"(monitor: \d+ results were not confirmed on disk when )"
                                        R"(the stop stopped waiting for it)"))
        << stalling.Err();
}
#endif

TEST_F(MonitorTest, DeviceErrorsExitWithTheirText) {
    // No recordings: the start fails with the folder named first (the device's tests pin the
    // texts), then where each recording was looked for and why it failed, in words.
    const auto first = [](const std::string& text) { return text.substr(0, text.find('\n')); };
    CMonitorProcess missing(outputs.Path(), outputs.Path(), {"--seconds", "3"});
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_EQ(first(missing.Err()), "monitor: The recordings folder \"" + outputs.Path() +
                                        "\" holds no recordings (mpx.dat, lev.dat and rds.dat)");
    EXPECT_TRUE(Has(missing.Err(), "monitor: cannot read the recording \"" +
                                       outputs.File("rds.dat") +
                                       "\": No such file or directory\n"));
    // A folder that does not exist is said so first, and not file by file.
    CMonitorProcess nowhere(outputs.Path(), outputs.Path(), {"nowhere", "--seconds", "3"});
    EXPECT_EQ(nowhere.Wait(), 1);
    EXPECT_EQ(first(nowhere.Err()),
              "monitor: The recordings folder \"" + outputs.File("nowhere") + "\" does not exist");
    EXPECT_FALSE(Has(nowhere.Err(), "cannot read the recording")) << nowhere.Err();
    EXPECT_FALSE(Has(nowhere.Err(), "(2)")) << nowhere.Err();

    // The sample recording is empty: the transfer thread fails during the run, and the file
    // is named with the reason.
    CTempFolder broken;
    fs::copy_file(recording + "/lev.dat", broken.File("lev.dat"));
    fs::copy_file(recording + "/rds.dat", broken.File("rds.dat"));
    std::ofstream(broken.File("mpx.dat")).close();
    CMonitorProcess failing(broken.Path(), outputs.Path(),
                            {"--seconds", "30", "--log-folder", logs, "--speed", "10"});
    EXPECT_EQ(failing.Wait(), 1);
    EXPECT_TRUE(Has(failing.Err(), "Error messages:\nADCTransfer: Error in thread!\n"));
    EXPECT_TRUE(Has(failing.Err(), "monitor: cannot read the recording \"" +
                                       broken.File("mpx.dat") + "\": it is empty\n"));
    // The failure stopped the measurement the normal way: the files are closed.
    ExpectClosedResultFile();
    EXPECT_TRUE(Has(ReadText(Only(".log")), ": File Closed\r\n"));

    // A folder or a FIFO in place of a recording is refused at once, never waited on, and
    // named; so is a FIFO in place of the day's log file, which is left as it is.
    fs::remove(broken.File("mpx.dat"));
    ASSERT_EQ(::mkfifo(broken.File("mpx.dat").c_str(), 0644), 0);
    CMonitorProcess fifo(broken.Path(), outputs.Path(), {"--seconds", "30"});
    EXPECT_EQ(fifo.Wait(), 1);
    EXPECT_TRUE(Has(fifo.Err(), "monitor: cannot read the recording \"" + broken.File("mpx.dat") +
                                    "\": not a regular file\n"));
    fs::remove(broken.File("mpx.dat"));
    fs::copy_file(recording + "/mpx.dat", broken.File("mpx.dat"));
    const std::string fifoLog = Only(".log");
    fs::remove(fifoLog);
    ASSERT_EQ(::mkfifo(fifoLog.c_str(), 0644), 0);
    CMonitorProcess fifoLogRun(broken.Path(), outputs.Path(),
                               {"--seconds", "2", "--log-folder", logs, "--speed", "10"});
    EXPECT_EQ(fifoLogRun.Wait(), 0) << fifoLogRun.Err();
    EXPECT_TRUE(Has(fifoLogRun.Err(), "Could not write log file \"" + fifoLog +
                                          "\" (not a regular file); its event lines are lost."));
    EXPECT_TRUE(fs::is_fifo(fifoLog));
}

}  // namespace
}  // namespace tavik

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "document/TAVIKSDIDoc.h"
#include "tests/app/AppTestSupport.h"
#include "tests/document/LogFileCheck.h"
#include "tests/support/RtlTcpServer.h"
#include "tests/support/Shell.h"
#include "tests/support/StationIq.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using test::CRtlTcpServer;
using test::CTempFolder;

// `tavik monitor` in `folder`; its exit code, with the error stream (kept in `outputs`) in `err`.
int Monitor(const std::string& folder, const std::string& args, const CTempFolder& outputs,
            std::string& err) {
    const std::string errFile = outputs.File("stderr.txt");
    const int code = test::Shell("cd '" + folder + "' && '" + TAVIK_EXECUTABLE + "' monitor " +
                                 args + " >/dev/null 2>'" + errFile + "'")
                         .exitCode;
    err = test::ReadText(errFile);
    return code;
}

// A setup with one alarm of deviation above 1 kHz, which any programme raises after `delay` s.
void SaveAlarm(const std::string& path, const std::string& name, int delay) {
    CTAVIKSDIDoc doc;
    doc.SetAlarm(
        name, std::make_unique<CAlarmItem>(name, ALARM_SOURCE_DEVIATION, ALARM_RELATION_GREATER,
                                           1.0f, ALARM_ACTION_LOG_ONLY,
                                           COleDateTimeSpan(0, 0, 0, delay), ALARM_ACKNOWLEDGE_NO));
    ASSERT_TRUE(doc.OnSaveDocument(path));
}

std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// An alarm whose name no file may carry as it is, raised by any programme after a delay of two
// seconds, so that a second of MPX lies on each side of it within the run.
TEST(EvidenceMonitor, ClipHoldsTheRecordingsSamplesAroundTheActivation) {
    setenv("TZ", "Europe/Berlin", 1);
    const std::string recording = test::CKnownRecording::Get().Folder();
    CTempFolder outputs;
    const std::string setup = outputs.File("alarm.tvk");
    const std::string name = "Dev/1 \"x\"";
    SaveAlarm(setup, name, 2);
    const std::string logs = outputs.File("logs");
    std::string err;
    ASSERT_EQ(Monitor(recording,
                      "--seconds 5 --speed 4 --enable-alarms --evidence 1 --setup '" + setup +
                          "' --log-folder '" + logs + "'",
                      outputs, err),
              0)
        << err;
    const std::vector<std::string> clips = Files(logs + "/evidence");
    ASSERT_EQ(clips.size(), 1u) << err;
    EXPECT_TRUE(std::regex_match(clips[0], std::regex(R"(\d{8}-\d{6}-Dev_1__x_\.wav)")))
        << clips[0];

    // The log names the clip on the line after the activation's.
    std::string log;
    for (const std::string& file : Files(logs)) {
        if (file.ends_with(".log")) {
            log = test::ReadText(logs + "/" + file);
        }
    }
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(: Alarm "Dev/1 "x"" caused an alarm because )"
                                                  R"([^\r]*\r\n[\d., :]+: Evidence clip: )"
                                                  "evidence/" +
                                                  clips[0] + "\r\n")))
        << log;

    // Two seconds at 200 kHz, each sample the recording's own 16-bit value: a stretch of the
    // recording as it loops.
    const std::string clip = test::ReadText(logs + "/evidence/" + clips[0]);
    ASSERT_EQ(clip.size(), 44u + 2 * 400000u);
    const std::string mpx = test::ReadText(recording + "/mpx.dat");
    const std::string samples = clip.substr(44);
    const std::size_t at = (mpx + mpx).find(samples);
    EXPECT_NE(at, std::string::npos);
    EXPECT_EQ(at % 2, 0u);
}

// Without a log folder no clip is kept, and the run says so once.
TEST(EvidenceMonitor, WithoutALogFolderSaysSoOnce) {
    const std::string recording = test::CKnownRecording::Get().Folder();
    CTempFolder outputs;
    std::string err;
    ASSERT_EQ(Monitor(recording, "--seconds 1 --speed 10 --evidence 1", outputs, err), 0) << err;
    const std::string notice = "no log folder was given (--log-folder DIR), so no evidence";
    EXPECT_NE(err.find(notice), std::string::npos) << err;
    EXPECT_EQ(err.find(notice), err.rfind(notice));
}

// From a live receiver the clip also keeps the IQ as SigMF, which the analysis receives again
// and raises the alarm from.
TEST(EvidenceMonitor, LiveReceiverKeepsTheIqThatReproducesTheAlarm) {
    setenv("TZ", "Europe/Berlin", 1);
    CTempFolder outputs;
    CRtlTcpServer server(test::StationIq(3.0), 2.4e6);  // served in a loop
    // The live receiver's blocks come some seconds after the start: an alarm of a second's
    // delay then has a second of MPX before it, and the run's rest after it.
    const std::string setup = outputs.File("alarm.tvk");
    SaveAlarm(setup, "Dev", 1);
    const std::string logs = outputs.File("logs");
    std::string err;
    ASSERT_EQ(Monitor(outputs.Path(),
                      "--receiver " + server.ReceiverName() +
                          " --frequency 106.7 --seconds 8 --enable-alarms --evidence 1 --setup '" +
                          setup + "' --log-folder '" + logs + "'",
                      outputs, err),
              0)
        << err;
    std::vector<std::string> clips = Files(logs + "/evidence");
    std::sort(clips.begin(), clips.end());
    ASSERT_EQ(clips.size(), 3u) << err;
    const std::string base = clips[0].substr(0, clips[0].rfind('.'));
    EXPECT_EQ(clips[0], base + ".sigmf-data");
    EXPECT_EQ(clips[1], base + ".sigmf-meta");
    EXPECT_EQ(clips[2], base + ".wav");
    // A second either side: of MPX at 200 kHz and of IQ at the stream's 1.2 MS/s.
    EXPECT_EQ(fs::file_size(logs + "/evidence/" + clips[2]), 44u + 2 * 400000) << err;
    EXPECT_EQ(fs::file_size(logs + "/evidence/" + clips[0]), 2u * 1200000 * 4);

    const std::string analysed = outputs.File("analysed");
    const std::string meta = logs + "/evidence/" + clips[1];
    SaveAlarm(setup, "Dev", 0);  // the clip is two seconds long
    const test::CShellRun run =
        test::Shell(std::string("'") + TAVIK_EXECUTABLE + "' analyse --receiver 'iq:" + meta +
                    "' --setup '" + setup + "' --enable-alarms --out '" + analysed + "' 2>&1");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("Alarm \"Dev\": 1 activation"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tavik

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/AnalyseCommand.h"
#include "tests/app/RecordingFixture.h"
#include "tools/OptionParser.h"

namespace tavik {
namespace {

using test::CKnownRecording;
using test::CTempFolder;
using test::ReadText;

struct Execution {
    int exitCode = -1;
    std::string out;
};

// Runs the built executable with its standard error going to `errFile`.
Execution RunTavik(const std::string& arguments, const std::string& errFile) {
    const std::string command =
        std::string(TAVIK_EXECUTABLE) + " " + arguments + " 2>'" + errFile + "'";
    Execution result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The number after `"key":` in a JSON text; NaN when the key is missing or not a number.
double JsonNumber(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return std::nan("");
    }
    const char* start = json.c_str() + at + key.size() + 3;
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    return end == start ? std::nan("") : value;
}

TEST(AnalyseCommandEndToEnd, JsonSummaryAndFilesMatchTheKnownRecording) {
    const CKnownRecording& recording = CKnownRecording::Get();
    CTempFolder out;
    const Execution run = RunTavik("analyse '" + recording.Folder() + "' --json --out '" +
                                       out.Path() + "' --start " + CKnownRecording::kStart,
                                   out.File("stderr.txt"));
    ASSERT_EQ(run.exitCode, 0) << ReadText(out.File("stderr.txt"));
    const std::string& json = run.out;
    ASSERT_TRUE(json.starts_with("{") && json.ends_with("}\n")) << json;
    EXPECT_EQ(json.find('\n'), json.size() - 1);  // one object on one line

    // Every key, in the documented order.
    const std::vector<std::string> keys = {"seconds",
                                           "blocks",
                                           "deviation_max_khz",
                                           "deviation_exceed_75_pct",
                                           "deviation_relative_pct",
                                           "deviation_accumulated_pct",
                                           "mpx_power_1s_last_dbr",
                                           "mpx_power_60s_last_dbr",
                                           "mpx_power_60s_max_dbr",
                                           "multipath_pct_per_khz",
                                           "rf_level_dbuv",
                                           "itu_status",
                                           "rds",
                                           "pi",
                                           "ps",
                                           "pty",
                                           "ptyn",
                                           "radiotext",
                                           "last_radiotext",
                                           "af",
                                           "country",
                                           "language",
                                           "date",
                                           "time",
                                           "pin",
                                           "tp",
                                           "ta",
                                           "music_speech",
                                           "eon_pi",
                                           "eon_ps",
                                           "ber_pct",
                                           "alarms",
                                           "result_file",
                                           "log_file",
                                           "wall_seconds",
                                           "realtime_factor"};
    std::size_t last = 0;
    for (const std::string& key : keys) {
        const std::size_t at = json.find("\"" + key + "\":", last);
        ASSERT_NE(at, std::string::npos) << key;
        last = at;
    }

    EXPECT_EQ(JsonNumber(json, "seconds"), 6.0);
    EXPECT_EQ(JsonNumber(json, "blocks"), 60.0);
    EXPECT_NEAR(JsonNumber(json, "deviation_max_khz"), recording.Summary().fPeakDeviation, 1e-3);
    EXPECT_NEAR(JsonNumber(json, "mpx_power_1s_last_dbr"), recording.Summary().fMpxPower, 0.02);
    EXPECT_NE(json.find("\"mpx_power_60s_last_dbr\":null,\"mpx_power_60s_max_dbr\":null"),
              std::string::npos);
    EXPECT_NE(json.find("\"pi\":\"D313\",\"ps\":\"TAVIK FM\""), std::string::npos);
    EXPECT_NE(json.find("\"alarms\":[]"), std::string::npos);
    EXPECT_NE(json.find("\"result_file\":\"" + out.File("tavik260615.xml") + "\",\"log_file\":\"" +
                        out.File("tavik260615.log") + "\""),
              std::string::npos);
    EXPECT_GT(JsonNumber(json, "realtime_factor"), 0.0);

    // The executable writes what the analysis writes in process, byte for byte.
    CTempFolder inProcess;
    CBatchOptions options;
    options.strDataFolder = recording.Folder();
    options.strOutFolder = inProcess.Path();
    options.start = CTime(CKnownRecording::kStartTime);
    CRecordingPrompt prompt;
    CBatchAnalysis(options, prompt).Run();
    for (const char* name : {"tavik260615.xml", "tavik260615.log"}) {
        const std::string written = ReadText(out.File(name));
        EXPECT_FALSE(written.empty()) << name;
        EXPECT_EQ(written, ReadText(inProcess.File(name))) << name;
    }
    EXPECT_EQ(ReadText(out.File("stderr.txt")), "");  // no progress bar off a terminal
}

TEST(AnalyseCommandEndToEnd, FailuresExitNonZeroWithTheirText) {
    CTempFolder folder;
    const Execution missing = RunTavik("analyse '" + folder.Path() + "'", folder.File("e1"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(ReadText(folder.File("e1")).find("mpx.dat"), std::string::npos);
    const Execution bad = RunTavik("analyse --frobnicate", folder.File("e2"));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(ReadText(folder.File("e2")), "analyse: --frobnicate: unknown option\n");
}

TEST(AnalyseCommandOptions, ParsesEveryOption) {
    const auto parsed =
        CAnalyseCommand::Parse({"rec", "--out", "o", "--setup", "s.tvk", "--enable-alarms",
                                "--start", "2026-06-15T10:00:00", "--json"});
    EXPECT_EQ(parsed.options.strDataFolder, "rec");
    EXPECT_EQ(parsed.options.strOutFolder, "o");
    EXPECT_EQ(parsed.options.strSetupFile, "s.tvk");
    EXPECT_TRUE(parsed.options.bEnableAlarms);
    EXPECT_TRUE(parsed.bStartGiven);
    EXPECT_EQ(parsed.options.start.GetTime(), CKnownRecording::kStartTime);
    EXPECT_TRUE(parsed.bJson);

    const auto defaults = CAnalyseCommand::Parse({});
    EXPECT_EQ(defaults.options.strDataFolder, "");
    EXPECT_EQ(defaults.options.strOutFolder, "");
    EXPECT_FALSE(defaults.options.bEnableAlarms);
    EXPECT_FALSE(defaults.bStartGiven);
    EXPECT_FALSE(defaults.bJson);
    EXPECT_TRUE(CAnalyseCommand::Parse({"--json", "--help"}).bHelp);
}

TEST(AnalyseCommandOptions, RejectsBadCommandLines) {
    EXPECT_THROW(CAnalyseCommand::Parse({"--out"}), COptionError);
    EXPECT_THROW(CAnalyseCommand::Parse({"--out", ""}), COptionError);
    EXPECT_THROW(CAnalyseCommand::Parse({"--start", "2026-06-15 10:00:00"}), COptionError);
    EXPECT_THROW(CAnalyseCommand::Parse({"--start", "2026-02-30T10:00:00"}), COptionError);
    EXPECT_THROW(CAnalyseCommand::Parse({"a", "b"}), COptionError);
    EXPECT_THROW(CAnalyseCommand::Parse({"--seconds", "3"}), COptionError);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(CAnalyseCommand::Run({"--start", "yesterday"}, out, err, false), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("--start"), std::string::npos);
}

}  // namespace
}  // namespace tavik

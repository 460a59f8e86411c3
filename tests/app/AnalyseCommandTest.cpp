#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/AnalyseCommand.h"
#include "app/JsonValues.h"
#include "tests/app/RecordingFixture.h"

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

    EXPECT_EQ(JsonNumber(json, "seconds"), 6.0);  // one decimal: "6.0"
    EXPECT_EQ(JsonNumber(json, "blocks"), 60.0);
    // Written to two decimals.
    EXPECT_NEAR(JsonNumber(json, "deviation_max_khz"), recording.Summary().fPeakDeviation, 6e-3);
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
    EXPECT_EQ(ReadText(folder.File("e2")),
              "analyse: The following argument was not expected: --frobnicate\n"
              "Run \"tavik analyse --help\" for the options.\n");
}

// One object per second of recording on stdout, each with every key; the summary on stderr.
TEST(AnalyseCommandEndToEnd, JsonLinesGiveOneObjectPerSecond) {
    const CKnownRecording& recording = CKnownRecording::Get();
    CTempFolder out;
    const Execution run = RunTavik(
        "analyse '" + recording.Folder() + "' --json-lines --start " + CKnownRecording::kStart,
        out.File("stderr.txt"));
    ASSERT_EQ(run.exitCode, 0) << ReadText(out.File("stderr.txt"));
    std::istringstream lines(run.out);
    int second = 0;
    for (std::string line; std::getline(lines, line);) {
        ++second;
        const CJson json = CJson::parse(line);
        std::vector<std::string> keys;
        for (const auto& [key, value] : json.items()) {
            keys.push_back(key);
        }
        EXPECT_EQ(keys, (std::vector<std::string>{"time", "deviation_peak_khz",
                                                  "deviation_exceed_75_pct", "mpx_power_1s_dbr",
                                                  "mpx_power_60s_dbr", "multipath_pct_per_khz",
                                                  "rf_level_dbuv", "itu_status", "rds", "alarms"}));
        // The virtual clock from --start, in Berlin time.
        EXPECT_EQ(json["time"], "2026-06-15T12:00:0" + std::to_string(second) + "+02:00");
        EXPECT_TRUE(json["mpx_power_60s_dbr"].is_null());  // sixty seconds take a minute
        EXPECT_NEAR(json["deviation_peak_khz"].get<double>(), recording.Summary().fPeakDeviation,
                    0.2);
        EXPECT_EQ(json["alarms"], CJson::array());
    }
    EXPECT_EQ(second, 6);
    const CJson last = CJson::parse(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1));
    EXPECT_EQ(last["rds"]["pi"], "D313");
    EXPECT_EQ(last["rds"]["ps"], "TAVIK FM");
    EXPECT_EQ(last["rds"]["tp"], true);
    EXPECT_NE(ReadText(out.File("stderr.txt")).find("Analysed 6.0 s (60 blocks)"),
              std::string::npos);
}

}  // namespace
}  // namespace tavik

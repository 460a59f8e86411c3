#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/AnalyseCommand.h"
#include "app/JsonValues.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Shell.h"

namespace tavik {
namespace {

using test::CKnownRecording;
using test::CTempFolder;
using test::ReadText;

// Runs the built executable with its standard error going to `errFile`.
test::CShellRun RunTavik(const std::string& arguments, const std::string& errFile) {
    return test::Shell(std::string(TAVIK_EXECUTABLE) + " " + arguments + " 2>'" + errFile + "'");
}

// The summary's keys, its number formats and its JSON lines' keys are pinned on the report
// classes; here the executable's wiring: --start, --out, --json, stdout and stderr.
TEST(AnalyseCommandEndToEnd, JsonSummaryAndFilesMatchTheKnownRecording) {
    const CKnownRecording& recording = CKnownRecording::Get();
    CTempFolder out;
    const test::CShellRun run = RunTavik("analyse '" + recording.Folder() + "' --json --out '" +
                                             out.Path() + "' --start " + CKnownRecording::kStart,
                                         out.File("stderr.txt"));
    ASSERT_EQ(run.exitCode, 0) << ReadText(out.File("stderr.txt"));
    EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);  // one object on one line
    const CJson json = CJson::parse(run.out);
    EXPECT_EQ(json["blocks"], 60);  // the values themselves are the batch analysis's
    EXPECT_EQ(json["rds"]["ps"], "TAVIK FM");
    EXPECT_EQ(json["result_file"], out.File("tavik260615.xml"));
    EXPECT_EQ(json["log_file"], out.File("tavik260615.log"));
    EXPECT_GT(json["realtime_factor"].get<double>(), 0.0);

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

// A refused command line exits with 2 as every command's does (see the monitor's test).
TEST(AnalyseCommandEndToEnd, AFailedRunExitsWithOne) {
    CTempFolder folder;
    const test::CShellRun missing =
        RunTavik("analyse '" + folder.Path() + "' --enable-alarms", folder.File("err"));
    EXPECT_EQ(missing.exitCode, 1);
    const std::string err = ReadText(folder.File("err"));
    EXPECT_NE(err.find("mpx.dat"), std::string::npos);
    // --enable-alarms without a setup says that there is nothing to enable.
    EXPECT_NE(err.find("analyse: --enable-alarms: no setup was given (--setup FILE.tvk), so "
                       "there are no alarms to enable"),
              std::string::npos)
        << err;
}

// One object per second of recording on stdout, on the virtual clock; the summary on stderr.
TEST(AnalyseCommandEndToEnd, JsonLinesGiveOneObjectPerSecond) {
    const CKnownRecording& recording = CKnownRecording::Get();
    CTempFolder out;
    const test::CShellRun run = RunTavik(
        "analyse '" + recording.Folder() + "' --json-lines --start " + CKnownRecording::kStart,
        out.File("stderr.txt"));
    ASSERT_EQ(run.exitCode, 0) << ReadText(out.File("stderr.txt"));
    std::istringstream lines(run.out);
    int second = 0;
    CJson json;
    for (std::string line; std::getline(lines, line);) {
        ++second;
        json = CJson::parse(line);
        // The virtual clock from --start, in Berlin time.
        EXPECT_EQ(json["time"], "2026-06-15T12:00:0" + std::to_string(second) + "+02:00");
    }
    EXPECT_EQ(second, 6);
    EXPECT_EQ(json["rds"]["ps"], "TAVIK FM");
    EXPECT_NE(ReadText(out.File("stderr.txt")).find("Analysed 6.0 s (60 blocks)"),
              std::string::npos);
}

}  // namespace
}  // namespace tavik

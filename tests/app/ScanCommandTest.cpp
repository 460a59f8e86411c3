#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/JsonValues.h"
#include "tests/app/AppTestSupport.h"

namespace tavik {
namespace {

using test::CTempFolder;

// The known recording's band: the default stations (97.4 MHz at 72 dBuV among them) with 12 dB
// selectivity at 100 kHz off each, over a noise floor near 28 dBuV.
class ScanCommandTest : public ::testing::Test {
protected:
    int Scan(std::vector<std::string> args) {
        args.insert(args.begin(),
                    {"scan", test::CKnownRecording::Get().Folder(), "--speed", "100000"});
        return CCommandLine().Run(args, out, err, false);
    }

    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ScanCommandTest, PrintsFrequencyAndLevelOfEveryPoint) {
    ASSERT_EQ(Scan({"--from", "97", "--to", "98"}), 0) << err.str();
    std::istringstream lines(out.str());
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) {
        rows.push_back(line);
    }
    ASSERT_EQ(rows.size(), 12u) << out.str();
    EXPECT_EQ(rows[0], "frequency_mhz,level_dbuv");
    EXPECT_EQ(rows[1].substr(0, 7), "97.000,");
    EXPECT_EQ(rows[11].substr(0, 7), "98.000,");
    EXPECT_EQ(rows[5], "97.400,72.0");  // the band's other levels are the generator's tests'
    EXPECT_EQ(err.str(), "");
}

TEST_F(ScanCommandTest, JsonHasTheRangeAndThePoints) {
    ASSERT_EQ(Scan({"--from", "97.35", "--to", "97.45", "--step", "25", "--json"}), 0) << err.str();
    const CJson json = CJson::parse(out.str());
    EXPECT_EQ(json["from_mhz"], 97.35);
    EXPECT_EQ(json["step_khz"], 25);
    ASSERT_EQ(json["points"].size(), 5u);
    EXPECT_EQ(json["points"][2]["frequency_mhz"], 97.4);
    EXPECT_EQ(json["points"][2]["level_dbuv"], 72.0);
    EXPECT_EQ(json["points"][1]["level_dbuv"], 71.2);  // 12 dB x (25/100)^2 below
}

TEST_F(ScanCommandTest, AMissingRecordingIsNamedWithItsReason) {
    CTempFolder empty;
    CCommandLine commands;
    EXPECT_EQ(commands.Run({"scan", empty.Path()}, out, err, false), 1);
    EXPECT_NE(err.str().find("scan: cannot read the recording \"" + empty.File("panormama.dat") +
                             "\": No such file or directory\n"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(out.str(), "");

    // A FIFO in its place is refused at once, never waited on for a writer.
    ASSERT_EQ(::mkfifo(empty.File("panormama.dat").c_str(), 0644), 0);
    std::ostringstream fifoErr;
    EXPECT_EQ(commands.Run({"scan", empty.Path()}, out, fifoErr, false), 1);
    EXPECT_NE(fifoErr.str().find("scan: cannot read the recording \"" +
                                 empty.File("panormama.dat") + "\": not a regular file\n"),
              std::string::npos)
        << fifoErr.str();
}

}  // namespace
}  // namespace tavik

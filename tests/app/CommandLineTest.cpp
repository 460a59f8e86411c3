#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/AnalyseCommand.h"
#include "app/CommandLine.h"
#include "app/MonitorCommand.h"
#include "app/ScanCommand.h"
#include "tools/GenerateCommand.h"

namespace tavik {
namespace {

using Args = std::vector<std::string>;

// Every command line that cannot be used gives one message naming its subcommand and option.
TEST(CommandLine, RefusesWithTheSubcommandAndTheReason) {
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {{"generate"}, "generate: OUTDIR is required"},
        {{"generate", "a", "b"}, "generate: The following argument was not expected: b"},
        {{"generate", "o", "--bogus"},
         "generate: The following argument was not expected: --bogus"},
        {{"generate", "o", "--level", "abc"}, "generate: --level: \"abc\" is not a number"},
        {{"generate", "o", "--level", "12"}, "generate: --level: \"12\" is outside 22.5 to 97.4"},
        {{"generate", "o", "--seconds", "nan"}, "generate: --seconds: \"nan\" is not a number"},
        {{"generate", "o", "--pi", "D31G"}, "generate: --pi: \"D31G\" is not a hexadecimal number"},
        {{"generate", "o", "--pi", "10000"}, "generate: --pi: \"10000\" is outside 1 to FFFF"},
        {{"generate", "o", "--tp", "yes"}, "generate: --tp: \"yes\" is neither 0 nor 1"},
        {{"generate", "o", "--ps", "TOO LONG!"}, "generate: --ps: longer than 8 characters"},
        {{"generate", "o", "--ps", "a~b"}, "generate: --ps: the RDS character set has no \"~\""},
        {{"generate", "o", "--ps", "\xE4\xB8\xAD 1"},  // a CJK character
         "generate: --ps: the RDS character set has no \"\xE4\xB8\xAD\""},
        {{"generate", "o", "--ps", "\xC3\x84\xC3\x96\xC3\x9C RADIO"},  // 9 characters
         "generate: --ps: longer than 8 characters"},
        {{"generate", "o", "--ps", "\xC3\x84"}, ""},  // 2 bytes, 1 character
        {{"generate", "o", "--ps", "\xC3"}, "generate: --ps: is not UTF-8 text"},
        {{"generate", "o", "--rt1", "tab\there"},
         "generate: --rt1: control characters are not allowed"},
        {{"generate", "o", "--start", "2026-02-29T10:00:00"},
         "generate: --start: \"2026-02-29T10:00:00\" is not a time YYYY-MM-DDTHH:MM:SS (UTC), "
         "with Z or with +HH:MM from UTC, between 1990 and 2099"},
        {{"generate", "o", "--multipath", "1,2"},
         "generate: --multipath: \"1,2\" is not three numbers c0,c1,c2"},
        // With the receiver's response a(f) must stay positive over +-110 kHz.
        {{"generate", "o", "--multipath", "0,0,0.0046"},
         "generate: --multipath: \"0,0,0.0046\" makes the amplitude a(f) fall to zero or below "
         "at -110.0 kHz (with the receiver's own response)"},
        {{"generate", "o", "--multipath", "9e-7,3.2e-5,-0.0196"},
         "generate: --multipath: \"9e-7,3.2e-5,-0.0196\" makes the amplitude a(f) fall to zero "
         "or below at 79.8 kHz (with the receiver's own response)"},
        {{"generate", "o", "--stations", "90.0"}, "generate: --stations: \"90.0\" is not MHz:dBuV"},
        {{"generate", "o", "--af", "80.0"}, "generate: --af: \"80.0\" is outside 87.6 to 107.9"},
        {{"generate", "o", "--frequency", "106.71"},
         "generate: --frequency: \"106.71\" is not on the 25 kHz grid"},
        {{"monitor", "--seconds"}, "monitor: --seconds: 1 required N missing"},
        {{"monitor", "--seconds", "0"}, "monitor: --seconds: \"0\" is outside 1 to 315360000"},
        {{"monitor", "--seconds", "3s"}, "monitor: --seconds: \"3s\" is not a whole number"},
        {{"monitor", "--frequency", "108.1"},
         "monitor: --frequency: \"108.1\" is outside 87.5 to 108"},
        {{"monitor", "--frequency", "100.01"},
         "monitor: --frequency: 100.01 is not on the 25 kHz grid (nearest: 100)"},
        {{"monitor", "--log-folder", ""}, "monitor: --log-folder: needs a folder"},
        {{"monitor", "--on-alarm", ""}, "monitor: --on-alarm: needs a program"},
        {{"analyse", "--out", ""}, "analyse: --out: the folder name is empty"},
        {{"analyse", "--start", "2026-06-15 10:00:00"},
         "analyse: --start: \"2026-06-15 10:00:00\" is not a time YYYY-MM-DDTHH:MM:SS (UTC), "
         "with Z or with +HH:MM from UTC, between 1990 and 2099"},
        {{"analyse", "a", "b"}, "analyse: The following argument was not expected: b"},
        {{"scan", "--step", "30"}, "scan: --step: \"30\" is not 25, 50 or 100"},
        {{"scan", "--from", "107.9"}, "scan: --from: \"107.9\" is outside 87.5 to 107.8"},
        {{"scan", "--from", "100.02"}, "scan: --from: 100.02 is not on the 100 kHz grid"},
        {{"scan", "--from", "100", "--to", "99"}, "scan: --to: 99 is not above --from 100"},
        {{"setup"}, "setup: A subcommand is required"},
        {{"setup", "write", "a.tvk"}, "setup write: SETUP.json is required"},
    };
    for (const auto& c : cases) {
        CCommandLine commands;
        EXPECT_EQ(commands.Parse(c.args), c.message) << c.args.back();
    }
}

TEST(CommandLine, TakesTheGeneratorsOptionsAndThoseNoRunExercises) {
    CCommandLine commands;
    // clang-format off
    const Args generate = {"generate", "out", "--seconds", "2.5", "--seed", "42", "--pi", "12aB",
        "--mono", "--af", "88,99.9", "--stations", "90.0:50,100.1:61.5", "--multipath",
        "0,-1e-5,0.003", "--ps", "US$ 1", "--start", "2024-02-29T23:59:30", "--local-offset", "-3",
        "--ta", "1", "--frequency", "106.725"};
    // clang-format on
    ASSERT_EQ(commands.Parse(generate), "");
    const CGeneratorOptions& g = commands.Generate().Options();
    EXPECT_EQ(g.strOutputFolder, "out");
    EXPECT_EQ(g.fSeconds, 2.5);
    EXPECT_EQ(g.nSeed, 42u);
    EXPECT_EQ(g.nPI, 0x12AB);
    EXPECT_TRUE(g.bMono);
    EXPECT_EQ(g.af, (std::vector<double>{88.0, 99.9}));
    ASSERT_EQ(g.stations.size(), 2u);
    EXPECT_EQ(g.stations[1].fLevel, 61.5);
    EXPECT_EQ(g.multipath[1], -1e-5);
    EXPECT_EQ(g.strPS, "US\xAB 1");  // the RDS table's dollar sign
    EXPECT_EQ(g.nStartTime, 1709251170);
    EXPECT_EQ(g.nLocalOffset, -3);
    EXPECT_TRUE(g.bTA);
    EXPECT_EQ(g.fFrequency, 106.725);
    EXPECT_EQ(g.fLevel, 65.0);  // untouched options keep their defaults
    EXPECT_EQ(CGeneratorOptions().nStartTime, 1781517600) << "default matches its text";

    // The other commands' options take effect in their end-to-end tests; these run in none
    // (the analysis's setup only in the report's, which needs the GUI build).
    CCommandLine monitor;
    ASSERT_EQ(monitor.Parse({"monitor", "rec", "--frequency", "98.2"}), "");
    EXPECT_EQ(monitor.Monitor().Options().frequency, 98.2f);
    CCommandLine analyse;
    ASSERT_EQ(analyse.Parse({"analyse", "rec", "--setup", "s.tvk", "--enable-alarms"}), "");
    EXPECT_EQ(analyse.Analyse().Options().strSetupFile, "s.tvk");
    EXPECT_TRUE(analyse.Analyse().Options().bEnableAlarms);
    EXPECT_FALSE(analyse.Analyse().IsStartGiven());
    // The parameter page's default scan: 206 points.
    EXPECT_EQ(CScanCommand::PointCount(87.5, 108.0, 0.1), 206);
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    const struct {
        Args args;
        const char* starts;
        int code;
    } cases[] = {
        {{"--help"}, "Tavik measures", 0},
        {{"help"}, "Tavik measures", 0},
        {{"help", "scan"}, "scan the band: RF level per frequency\nUsage: tavik scan", 0},
        {{"monitor", "--help"},
         "measure recordings live without a display\nUsage: tavik monitor",
         0},
        {{"setup", "write", "--help"}, "check SETUP.json and save it as FILE.tvk\n", 0},
        {{"--version"}, "tavik " TAVIK_VERSION "\n", 0},
    };
    for (const auto& c : cases) {
        CCommandLine commands;
        EXPECT_TRUE(commands.IsCommand(c.args));
        std::ostringstream out, err;
        EXPECT_EQ(commands.Run(c.args, out, err, false), c.code) << c.args.back();
        EXPECT_EQ(out.str().rfind(c.starts, 0), 0u) << out.str();
        EXPECT_EQ(err.str(), "");
    }
    // Everything else is for the graphical application.
    CCommandLine commands;
    for (const Args& gui : {Args{}, Args{"setup.tvk"}, Args{"--start"}, Args{"--start", "a.tvk"}}) {
        EXPECT_FALSE(commands.IsCommand(gui));
    }
    std::ostringstream out, err;
    EXPECT_EQ(commands.Run({"monitor", "--seconds", "x"}, out, err, false), 2);
    EXPECT_EQ(err.str(),
              "monitor: --seconds: \"x\" is not a whole number\n"
              "Run \"tavik monitor --help\" for the options.\n");
}

}  // namespace
}  // namespace tavik

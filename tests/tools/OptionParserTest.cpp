#include <gtest/gtest.h>

#include <sstream>

#include "tools/GenerateCommand.h"
#include "tools/OptionParser.h"

namespace tavik {
namespace {

std::string ErrorOf(const std::vector<std::string>& args) {
    try {
        CGeneratorOptionParser::Parse(args);
    } catch (const COptionError& e) {
        return e.what();
    }
    return "no error";
}

TEST(GeneratorOptions, ValuesInBothSpellings) {
    const auto result = CGeneratorOptionParser::Parse({"out",
                                                       "--seconds",
                                                       "2.5",
                                                       "--seed=42",
                                                       "--pi",
                                                       "12aB",
                                                       "--mono",
                                                       "--af",
                                                       "88,99.9",
                                                       "--stations",
                                                       "90.0:50,100.1:61.5",
                                                       "--multipath",
                                                       "0,-1e-5,0.003",
                                                       "--ps",
                                                       "RADIO 1",
                                                       "--start",
                                                       "2024-02-29T23:59:30",
                                                       "--local-offset",
                                                       "-3",
                                                       "--ta",
                                                       "1"});
    const CGeneratorOptions& o = result.options;
    EXPECT_FALSE(result.bHelp);
    EXPECT_EQ(o.strOutputFolder, "out");
    EXPECT_EQ(o.fSeconds, 2.5);
    EXPECT_EQ(o.nSeed, 42u);
    EXPECT_EQ(o.nPI, 0x12AB);
    EXPECT_TRUE(o.bMono);
    EXPECT_EQ(o.af, (std::vector<double>{88.0, 99.9}));
    ASSERT_EQ(o.stations.size(), 2u);
    EXPECT_EQ(o.stations[1].fFrequency, 100.1);
    EXPECT_EQ(o.stations[1].fLevel, 61.5);
    EXPECT_EQ(o.multipath[1], -1e-5);
    EXPECT_EQ(o.strPS, "RADIO 1");
    EXPECT_EQ(o.nStartTime, 1709251170);
    EXPECT_EQ(o.nLocalOffset, -3);
    EXPECT_TRUE(o.bTA);
    // Untouched options keep their defaults.
    EXPECT_EQ(o.fPeakDeviation, 75.0);
    EXPECT_EQ(o.fLevel, 65.0);
    EXPECT_EQ(CGeneratorOptionParser::ParseUtcTime("2026-06-15T10:00:00"), 1781517600);
    EXPECT_EQ(CGeneratorOptions().nStartTime, 1781517600) << "default matches its text";
}

TEST(GeneratorOptions, ClearMessagesForWhatCannotBeUsed) {
    EXPECT_EQ(ErrorOf({"out", "--bogus"}),
              "generate: unknown option --bogus (see tavik generate --help)");
    EXPECT_EQ(ErrorOf({"out", "--level", "abc"}),
              "generate: option --level: \"abc\" is not a number");
    EXPECT_EQ(ErrorOf({"out", "--level", "12"}),
              "generate: option --level: \"12\" is outside 22.5 to 97.4");
    EXPECT_EQ(ErrorOf({"out", "--seconds"}), "generate: option --seconds: needs a value S");
    EXPECT_EQ(ErrorOf({"out", "--seconds", "nan"}),
              "generate: option --seconds: \"nan\" is not a number");
    EXPECT_EQ(ErrorOf({"out", "--mono=1"}), "generate: option --mono: takes no value");
    EXPECT_EQ(ErrorOf({"out", "--pi", "D31G"}),
              "generate: option --pi: \"D31G\" is not a hexadecimal");
    EXPECT_EQ(ErrorOf({"out", "--tp", "yes"}), "generate: option --tp: \"yes\" is neither 0 nor 1");
    EXPECT_EQ(ErrorOf({"out", "--ps", "TOO LONG!"}),
              "generate: option --ps: longer than 8 characters");
    EXPECT_EQ(ErrorOf({"out", "--rt1", "tab\there"}),
              "generate: option --rt1: only printable ASCII characters are allowed");
    EXPECT_EQ(ErrorOf({"out", "--start", "2026-02-29T10:00:00"}),
              "generate: option --start: \"2026-02-29T10:00:00\" is not a valid time between "
              "1990 and 2099");
    EXPECT_EQ(ErrorOf({"out", "--start", "2026-06-15 10:00"}),
              "generate: option --start: \"2026-06-15 10:00\" is not YYYY-MM-DDTHH:MM:SS");
    EXPECT_EQ(ErrorOf({"out", "--multipath", "1,2"}),
              "generate: option --multipath: \"1,2\" is not three numbers c0,c1,c2");
    // With the receiver's response a(f) must stay positive over +-110 kHz: at its lower end
    // (0.5 + 110 c2 there), and at a dip inside whose ends are both positive.
    EXPECT_EQ(ErrorOf({"out", "--multipath", "0,0,0.0045"}), "no error");
    EXPECT_EQ(ErrorOf({"out", "--multipath", "0,0,0.0046"}),
              "generate: option --multipath: \"0,0,0.0046\" makes the amplitude a(f) fall to zero "
              "or below at -110.0 kHz (with the receiver's own response)");
    EXPECT_EQ(ErrorOf({"out", "--multipath", "9e-7,3.2e-5,-0.0196"}),
              "generate: option --multipath: \"9e-7,3.2e-5,-0.0196\" makes the amplitude a(f) "
              "fall to zero or below at 79.8 kHz (with the receiver's own response)");
    EXPECT_EQ(ErrorOf({"out", "--stations", "90.0"}),
              "generate: option --stations: \"90.0\" is not MHz:dBuV");
    EXPECT_EQ(ErrorOf({"out", "--af", "80.0"}),
              "generate: option --af: \"80.0\" is outside 87.6 to 107.9");
    EXPECT_EQ(ErrorOf({"out", "--frequency", "106.71"}),
              "generate: option --frequency: \"106.71\" is not on the 25 kHz grid");
    EXPECT_EQ(ErrorOf({"out", "--frequency", "106.725"}), "no error");
    EXPECT_EQ(ErrorOf({}), "generate: no output folder given (see tavik generate --help)");
    EXPECT_EQ(ErrorOf({"a", "b"}), "generate: more than one output folder (\"a\", \"b\")");
}

TEST(GeneratorOptions, CommandExitCodes) {
    std::ostringstream out, err;
    EXPECT_EQ(RunGenerateCommand({"--help"}, out, err), 0);
    EXPECT_EQ(out.str().rfind("Usage: tavik generate OUTDIR [options]\n", 0), 0u);
    EXPECT_NE(out.str().find("  --seed N"), std::string::npos);
    EXPECT_TRUE(err.str().empty());
    EXPECT_EQ(RunGenerateCommand({"out", "--peak-deviation", "200"}, out, err), 2);
    EXPECT_EQ(err.str(), "generate: option --peak-deviation: \"200\" is outside 10 to 100\n");
}

}  // namespace
}  // namespace tavik

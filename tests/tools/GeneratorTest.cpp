#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/TempFolder.h"
#include "tools/GenerateCommand.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using test::CTempFolder;

struct CGenerated {
    int code;         // 2 for a refused command line
    std::string err;  // what it wrote to the error stream
};

// `tavik generate OUTDIR` with these options.
CGenerated Generate(const std::string& folder, std::vector<std::string> options) {
    CLI::App app;
    CGenerateCommand generate(app);
    options.insert(options.begin(), {"generate", folder});
    std::reverse(options.begin(), options.end());
    try {
        app.parse(options);
    } catch (const CLI::ParseError& e) {
        return {2, e.what()};
    }
    std::ostringstream out, err;
    const int code = generate.Run(out, err);
    return {code, err.str()};
}

TEST(StationGenerator, WritesWholeReceiverBlocks) {
    CTempFolder folder;
    ASSERT_EQ(Generate(folder.Path(), {"--seconds", "3.04"}).code, 0);
    EXPECT_EQ(folder.Read("mpx.dat").size(), 1200000u);  // thirty 100 ms blocks of 20000 samples
    EXPECT_EQ(folder.Read("lev.dat").size(), 1200000u);
    EXPECT_EQ(folder.Read("panormama.dat").size(), 2u * 821);
    const auto text = folder.Read("station.txt");
    const std::string station(text.begin(), text.end());
    EXPECT_NE(station.find("PI D313, PS \"TAVIK FM\""), std::string::npos) << station;
    EXPECT_NE(station.find("106.70  65.0  (this station)"), std::string::npos) << station;
}

TEST(StationGenerator, SameSeedSameFilesOtherSeedOtherFiles) {
    CTempFolder first, second, third;
    ASSERT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "7"}).code, 0);
    // Once there, recordings are replaced only with --force.
    const std::vector<std::uint8_t> before = first.Read("mpx.dat");
    EXPECT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "9"}).code, 1);
    EXPECT_EQ(first.Read("mpx.dat"), before);
    EXPECT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "7", "--force"}).code, 0);
    ASSERT_EQ(Generate(second.Path(), {"--seconds", "0.5", "--seed", "7"}).code, 0);
    ASSERT_EQ(Generate(third.Path(), {"--seconds", "0.5", "--seed", "8"}).code, 0);
    for (const char* name : {"mpx.dat", "lev.dat", "rds.dat", "panormama.dat", "station.txt"}) {
        EXPECT_EQ(first.Read(name), second.Read(name)) << name;
    }
    for (const char* name : {"mpx.dat", "lev.dat", "panormama.dat"}) {
        EXPECT_NE(first.Read(name), third.Read(name)) << name;
    }
}

TEST(StationGenerator, UnwritableFolderFailsWithExitCodeOne) {
    CTempFolder folder;
    folder.Write("blocked", {1});
    const CGenerated blocked = Generate(folder.File("blocked"), {"--seconds", "0.1"});
    EXPECT_EQ(blocked.code, 1);
    EXPECT_EQ(blocked.err.rfind("generate: Could not create folder \"" + folder.File("blocked"), 0),
              0u)
        << blocked.err;
    fs::create_directory(folder.File("out"));
    fs::create_directory(folder.File("out/mpx.dat"));  // a folder in the way
    const CGenerated inTheWay = Generate(folder.File("out"), {"--seconds", "0.1"});
    EXPECT_EQ(inTheWay.code, 1);
    EXPECT_EQ(inTheWay.err,
              "generate: Could not rename file \"" + folder.File("out/mpx.dat.part") + "\" (21)\n");
    // No part file is left, and station.txt, the mark of a complete set, is missing.
    EXPECT_FALSE(fs::exists(folder.File("out/station.txt")) ||
                 fs::exists(folder.File("out/lev.dat")));
    for (const auto& entry : fs::directory_iterator(folder.File("out"))) {
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    }
}

// The SigMF pair: its metadata keys and the data's length, one IQ sample per 1/rate s.
TEST(IqGenerator, WritesSigMFWithTheStationOffCentre) {
    const struct {
        const char* datatype;
        const char* rate;
        std::size_t bytes;
        const char* written;
        double centre;
    } cases[] = {
        {"cu8", "1200000", 2 * 120000, "cu8", 106.45e6},
        {"ci16", "2400000", 4 * 240000, "ci16_le", 106.45e6},
        {"cf32", "400000", 8 * 40000, "cf32_le", 106.7e6},  // no room beside the centre
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.datatype);
        CTempFolder folder;
        const CGenerated run =
            Generate(folder.Path(), {"--seconds", "0.1", "--iq", c.datatype, "--iq-rate", c.rate,
                                     "--cn", "40", "--echo", "8,-6"});
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(folder.Read("station.sigmf-data").size(), c.bytes);
        const auto text = folder.Read("station.sigmf-meta");
        const auto meta = nlohmann::json::parse(text.begin(), text.end());
        EXPECT_EQ(meta["global"]["core:datatype"], c.written);
        EXPECT_EQ(meta["global"]["core:sample_rate"], std::stod(c.rate));
        EXPECT_EQ(meta["global"]["tavik:full_scale_dbuv"], 77.0);  // 65 dBuV 12 dB below
        EXPECT_EQ(meta["captures"][0]["core:frequency"], c.centre);
    }
}

TEST(IqGenerator, RefusesWhatTheReceiverCannotTake) {
    CTempFolder folder;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--iq", "cs8"}, "--iq: \"cs8\" is none of cu8, ci16, cf32"},
        {{"--iq", "cu8", "--iq-rate", "300000"},
         "--iq-rate: \"300000\" is outside 400000 to 10000000"},
        {{"--iq", "cu8", "--iq-rate", "1234567"},
         "--iq-rate: \"1234567\" cannot be resampled to 400000 Hz (use a rate such as 1200000, "
         "2048000 or 2400000)"},
        {{"--echo", "8"}, "--echo: \"8\" is not DELAY_US,REL_DB"},
    };
    for (const auto& [options, message] : cases) {
        const CGenerated run = Generate(folder.Path(), options);
        EXPECT_EQ(run.code, 2) << message;
        EXPECT_EQ(run.err, message);
    }
}

}  // namespace
}  // namespace tavik

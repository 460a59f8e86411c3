#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/TempFolder.h"
#include "tests/tools/RdsStreamCheck.h"
#include "tools/GenerateCommand.h"
#include "tools/StationGenerator.h"

namespace tavik {
namespace {

using test::CTempFolder;

const char* const kFiles[] = {"mpx.dat", "lev.dat", "rds.dat", "panormama.dat", "station.txt"};

// `tavik generate` with these arguments after "generate"; its exit code.
int RunGenerateCommand(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
    CLI::App app;
    CGenerateCommand generate(app);
    args.insert(args.begin(), "generate");
    std::reverse(args.begin(), args.end());
    app.parse(args);
    return generate.Run(out, err);
}

int Generate(const std::string& folder, std::vector<std::string> options) {
    options.insert(options.begin(), folder);
    std::ostringstream out, err;
    return RunGenerateCommand(options, out, err);
}

TEST(StationGenerator, WritesWholeReceiverBlocks) {
    CTempFolder folder;
    ASSERT_EQ(Generate(folder.Path(), {"--seconds", "3.04"}), 0);
    EXPECT_EQ(folder.Read("mpx.dat").size(), 1200000u);  // thirty 100 ms blocks of 20000 samples
    EXPECT_EQ(folder.Read("lev.dat").size(), 1200000u);
    EXPECT_EQ(folder.Read("panormama.dat").size(), 2u * 821);
    const auto text = folder.Read("station.txt");
    const std::string station(text.begin(), text.end());
    EXPECT_NE(station.find("PI D313, PS \"TAVIK FM\""), std::string::npos);
    EXPECT_NE(station.find("106.70  65.0  (this station)"), std::string::npos);

    // Whole 100-byte blocks and whole 104-bit groups, at least 1300 bytes (100 groups): the
    // file read twice over, as the looping receiver reads it, is one unbroken group sequence.
    const std::vector<std::uint8_t> rds = folder.Read("rds.dat");
    EXPECT_EQ(rds.size(), 1300u);
    std::vector<std::uint8_t> bits;
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::uint8_t byte : rds) {
            for (int bit = 7; bit >= 0; --bit) {
                bits.push_back(static_cast<std::uint8_t>(byte >> bit & 1));
            }
        }
    }
    for (std::size_t first = 0; first + 104 <= bits.size(); first += 104) {
        ASSERT_TRUE(test::GroupAt(bits, first).bValid) << "group at bit " << first;
    }
    CTempFolder longer;
    ASSERT_EQ(Generate(longer.Path(), {"--seconds", "20"}), 0);
    // The multiplex carries 23752 bits: three loops, not two that end before it does.
    EXPECT_EQ(longer.Read("rds.dat").size(), 3900u);
}

TEST(StationGenerator, SameSeedSameFilesOtherSeedOtherFiles) {
    CTempFolder first, second, third;
    ASSERT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "7"}), 0);
    // Once there, recordings are replaced only with --force.
    const std::vector<std::uint8_t> before = first.Read("mpx.dat");
    EXPECT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "9"}), 1);
    EXPECT_EQ(first.Read("mpx.dat"), before);
    EXPECT_EQ(Generate(first.Path(), {"--seconds", "0.5", "--seed", "7", "--force"}), 0);
    ASSERT_EQ(Generate(second.Path(), {"--seconds", "0.5", "--seed", "7"}), 0);
    ASSERT_EQ(Generate(third.Path(), {"--seconds", "0.5", "--seed", "8"}), 0);
    for (const char* name : kFiles) {
        EXPECT_EQ(first.Read(name), second.Read(name)) << name;
    }
    EXPECT_NE(first.Read("mpx.dat"), third.Read("mpx.dat"));
    EXPECT_NE(first.Read("lev.dat"), third.Read("lev.dat"));
    EXPECT_NE(first.Read("panormama.dat"), third.Read("panormama.dat"));
}

TEST(StationGenerator, UnwritableFolderFailsWithExitCodeOne) {
    CTempFolder folder;
    folder.Write("blocked", {1});
    std::ostringstream out, err;
    EXPECT_EQ(RunGenerateCommand({folder.File("blocked"), "--seconds", "0.1"}, out, err), 1);
    EXPECT_EQ(err.str().rfind("generate: Could not create folder \"" + folder.File("blocked"), 0),
              0u)
        << err.str();
    std::filesystem::create_directory(folder.File("out"));
    std::filesystem::create_directory(folder.File("out/mpx.dat"));  // a folder in the way
    err.str("");
    EXPECT_EQ(RunGenerateCommand({folder.File("out"), "--seconds", "0.1"}, out, err), 1);
    EXPECT_EQ(err.str(),
              "generate: Could not rename file \"" + folder.File("out/mpx.dat.part") + "\" (21)\n");
    // No part file is left, and station.txt, the mark of a complete set, is missing.
    EXPECT_FALSE(std::filesystem::exists(folder.File("out/station.txt")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("out/lev.dat")));
    for (const auto& entry : std::filesystem::directory_iterator(folder.File("out"))) {
        EXPECT_NE(entry.path().extension(), ".part") << entry.path();
    }
}

}  // namespace
}  // namespace tavik

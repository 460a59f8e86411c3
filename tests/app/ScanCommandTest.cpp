#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/JsonValues.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/RtlTcpServer.h"

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

    std::vector<std::string> Rows() const {
        std::istringstream lines(out.str());
        std::vector<std::string> rows;
        for (std::string line; std::getline(lines, line);) {
            rows.push_back(line);
        }
        return rows;
    }

    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ScanCommandTest, PrintsFrequencyAndLevelOfEveryPoint) {
    ASSERT_EQ(Scan({"--from", "97", "--to", "98"}), 0) << err.str();
    const std::vector<std::string> rows = Rows();
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

// A generated IQ capture is scanned over the channels inside its band (1.2 MS/s around
// 106.45 MHz: 106.0 to 106.9 on the 100 kHz grid); the station's channel reads its RF level
// through the capture's calibration, and a point outside the band is refused with the band.
TEST_F(ScanCommandTest, AnIqCaptureGivesTheChannelsInsideItsBand) {
    CTempFolder folder;
    CGeneratorOptions options;
    options.strOutputFolder = folder.Path();
    options.fSeconds = 0.5;
    options.fFading = 0.0;
    options.fLevelNoise = 0.0;
    options.strIqDatatype = "cf32_le";
    options.fIqRate = 1200000.0;
    options.fCarrierToNoise = 40.0;
    CStationGenerator(options).Run();
    const std::string receiver = "iq:" + folder.File("station.sigmf-meta");

    ASSERT_EQ(CCommandLine().Run({"scan", "--receiver", receiver, "--json", "--speed", "100000"},
                                 out, err, false),
              0)
        << err.str();
    const CJson json = CJson::parse(out.str());
    EXPECT_EQ(json["from_mhz"], 106.0);
    EXPECT_EQ(json["to_mhz"], 106.9);
    ASSERT_EQ(json["points"].size(), 10u);
    for (const CJson& point : json["points"]) {
        const double level = point["level_dbuv"];
        if (point["frequency_mhz"] == 106.7) {
            EXPECT_NEAR(level, 65.0, 0.3);
        } else if (std::fabs(double{point["frequency_mhz"]} - 106.7) > 0.15) {
            EXPECT_LT(level, 30.0) << point.dump();  // C/N 40 dB in the station's channel
        }
    }

    std::ostringstream refused;
    EXPECT_EQ(CCommandLine().Run({"scan", "--receiver", receiver, "--from", "97", "--to", "98",
                                  "--speed", "100000"},
                                 out, refused, false),
              1);
    EXPECT_NE(refused.str().find("GetPanoramaData: \"" + folder.File("station.sigmf-meta") +
                                 "\" holds the channels from 105.950 to 106.950 MHz, not "
                                 "97.000 MHz\nScanPanorama (thread): Could not get panorama "
                                 "data!\nPanoramascan: Error in thread!\n"),
              std::string::npos)
        << refused.str();
}

// A live receiver is tuned for every point, 250 kHz below it, and its level calibration holds:
// a carrier at 100 MHz with amplitude 0.5 reads 6 dB below the full scale given, the points
// 200 kHz off read the converter's noise floor.
TEST_F(ScanCommandTest, ALiveReceiverIsTunedToEveryPoint) {
    CTempFolder store;
    // The calibration given is kept in the store: here, not in the user's, for this test only.
    const char* const before = std::getenv("XDG_DATA_HOME");
    const std::shared_ptr<void> restore(
        nullptr, [saved = std::string(before ? before : ""), had = before != nullptr](void*) {
            had ? ::setenv("XDG_DATA_HOME", saved.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
        });
    ::setenv("XDG_DATA_HOME", store.Path().c_str(), 1);
    constexpr double kRate = 1200000.0;
    double phase = 0.0;
    std::minstd_rand random(1);
    std::uniform_real_distribution<double> dither(-0.5, 0.5);  // whitens the rounding
    test::CRtlTcpServer server(
        [&](std::uint32_t centre, std::uint8_t* iq, std::size_t size) {
            const double step = 2.0 * M_PI * (100e6 - centre) / kRate;
            const bool inBand = std::fabs(100e6 - centre) < kRate / 2.0;
            for (std::size_t i = 0; i + 1 < size; i += 2, phase += step) {
                const double amplitude = inBand ? 63.75 : 0.0;  // 0.5 of full scale
                iq[i] = static_cast<std::uint8_t>(
                    std::lround(127.5 + amplitude * std::cos(phase) + dither(random)));
                iq[i + 1] = static_cast<std::uint8_t>(
                    std::lround(127.5 + amplitude * std::sin(phase) + dither(random)));
            }
        },
        2.0 * kRate);
    ASSERT_EQ(CCommandLine().Run({"scan", "--receiver", server.ReceiverName(), "--from", "99.8",
                                  "--to", "100.2", "--full-scale", "80"},
                                 out, err, false),
              0)
        << err.str();
    const std::vector<std::string> rows = Rows();
    ASSERT_EQ(rows.size(), 6u) << out.str();
    EXPECT_EQ(rows[3], "100.000,74.0");
    for (const int row : {1, 5}) {
        EXPECT_LT(std::stod(rows[static_cast<std::size_t>(row)].substr(8)), 40.0) << out.str();
    }
    std::vector<std::uint32_t> tuned;
    for (const auto& [command, parameter] : server.Commands()) {
        if (command == 0x01) {
            tuned.push_back(parameter);
        }
    }
    EXPECT_EQ(tuned,
              (std::vector<std::uint32_t>{99550000, 99650000, 99750000, 99850000, 99950000}));
}

}  // namespace
}  // namespace tavik

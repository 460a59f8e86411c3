// Planted MPX readings through `generate` and `analyse`, and how the outputs show them.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "app/SummaryReport.h"
#include "document/BatchAnalysis.h"
#include "platform/Prompt.h"
#include "tests/support/TempFolder.h"
#include "tools/GenerateCommand.h"

namespace tavik {
namespace {

using test::CTempFolder;

// `tavik generate FOLDER` with these options, then the batch analysis of what it wrote.
CBatchSummary GenerateAndAnalyse(std::vector<std::string> options,
                                 const CDecoderOverrides& decoder = {}) {
    CTempFolder data;
    CTempFolder out;
    CLI::App app;
    CGenerateCommand generate(app);
    options.insert(options.begin(), {"generate", data.Path(), "--seconds", "4"});
    std::reverse(options.begin(), options.end());
    app.parse(options);
    std::ostringstream text;
    std::ostringstream err;
    EXPECT_EQ(generate.Run(text, err), 0) << err.str();
    CBatchOptions batch;
    batch.strDataFolder = data.Path();
    batch.strOutFolder = out.Path();
    batch.start = CTime(generate.Options().nStartTime);
    batch.decoder = decoder;
    CRecordingPrompt prompt;
    CBatchAnalysis analysis(batch, prompt);
    return analysis.Run();
}

// What generate plants, analyse reads back: a left-only tone, pilot off 19 kHz, RDS.
TEST(MpxReadings, GenerateThenAnalyseReadsThePlantedValues) {
    const CBatchSummary s =
        GenerateAndAnalyse({"--tone", "1000", "--left-db", "-3", "--right-db", "-100", "--pilot",
                            "7.2", "--pilot-offset-hz", "1.5", "--rds-deviation", "4.5"});
    ASSERT_TRUE(s.mpxReadings);
    const CMpxReadings& r = *s.mpxReadings;
    ASSERT_TRUE(r.pilotKhz && r.pilotErrorHz && r.rdsKhz);
    EXPECT_NEAR(*r.pilotKhz, 7.2, 0.1);
    EXPECT_NEAR(*r.pilotErrorHz, 1.5, 0.5);
    EXPECT_NEAR(*r.rdsKhz, 4.5, 0.1);
    EXPECT_NEAR(r.leftDb, -3.0, 0.2);
    EXPECT_LE(r.rightDb, -33.0);  // at least 30 dB of separation
    EXPECT_FALSE(r.silence);
    EXPECT_EQ(s.nSilentSeconds, 0);

    const std::string json = CSummaryReport::ToJson(s);
    const auto at = json.find("\"pilot_khz\":7.2");
    ASSERT_NE(at, std::string::npos) << json;
    EXPECT_NE(json.find("\"pilot_error_hz\":1.5,\"rds_injection_khz\":4.5,"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"audio_left_db\":-3.0,"), std::string::npos) << json;
    EXPECT_NE(json.find("\"silence\":false,\"silent_seconds\":0,"), std::string::npos) << json;
}

TEST(MpxReadings, MonoWithoutRdsReadsNull) {
    const CBatchSummary s = GenerateAndAnalyse(
        {"--mono", "--rds-deviation", "0", "--left-db", "-10", "--right-db", "-10"});
    ASSERT_TRUE(s.mpxReadings);
    EXPECT_FALSE(s.mpxReadings->pilotKhz || s.mpxReadings->rdsKhz);
    const std::string json = CSummaryReport::ToJson(s);
    EXPECT_NE(json.find("\"pilot_khz\":null,\"pilot_error_hz\":null,\"rds_injection_khz\":null,"
                        "\"audio_left_db\":-10.0,\"audio_right_db\":-10.0,"),
              std::string::npos)
        << json;
    std::ostringstream text;
    CSummaryReport::WriteText(s, text);
    EXPECT_NE(text.str().find("Pilot:      no pilot; RDS no RDS\n"
                              "Audio:      L -10.0 dB, R -10.0 dB (peaks of the last second), "
                              "silent 0 s\n"),
              std::string::npos)
        << text.str();
}

// The command line's decoder settings reach the analysis: a programme at -30 dB is silence
// from its second second on below -25 dB with 2 s (seconds 2 to 4), never below the default
// -40 dB nor after the default 10 s; a 5 kHz tone pre-emphasised with 50 us reads its level
// with 50 us, 2.8 dB less with 75 us.
TEST(MpxReadings, DecoderOverridesReachTheAnalysis) {
    const std::vector<std::string> quiet{"--left-db", "-30", "--right-db", "-30"};
    const std::vector<std::string> tone{"--tone", "5000", "--left-db", "-10", "--right-db", "-10"};
    const struct {
        std::vector<std::string> generate;
        CDecoderOverrides decoder;
        std::int64_t silentSeconds;
        float leftLow;
        float leftHigh;
    } cases[] = {
        {quiet, {}, 0, -30.5f, -29.5f},
        {quiet, {std::nullopt, -25.0f, 2}, 3, -30.5f, -29.5f},
        {quiet, {std::nullopt, -25.0f, std::nullopt}, 0, -30.5f, -29.5f},
        {quiet, {std::nullopt, std::nullopt, 2}, 0, -30.5f, -29.5f},
        {tone, {50, {}, {}}, 0, -10.2f, -9.8f},
        {tone, {75, {}, {}}, 0, -13.3f, -12.2f},
    };
    for (const auto& c : cases) {
        const CBatchSummary s = GenerateAndAnalyse(c.generate, c.decoder);
        ASSERT_TRUE(s.mpxReadings);
        EXPECT_EQ(s.nSilentSeconds, c.silentSeconds) << c.generate[1];
        EXPECT_GE(s.mpxReadings->leftDb, c.leftLow) << c.generate[1];
        EXPECT_LE(s.mpxReadings->leftDb, c.leftHigh) << c.generate[1];
    }
}

}  // namespace
}  // namespace tavik

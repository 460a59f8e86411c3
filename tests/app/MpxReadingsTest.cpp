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
CBatchSummary GenerateAndAnalyse(std::vector<std::string> options) {
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

}  // namespace
}  // namespace tavik

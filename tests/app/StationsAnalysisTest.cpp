// Several stations of one IQ capture analysed at once, against each analysed on its own.
#include "app/StationsAnalysis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "alarms/AlarmItem.h"
#include "app/SummaryReport.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Prompt.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ThreeStations.h"

namespace tavik {
namespace {

using test::CTempFolder;
using Json = nlohmann::json;

using test::CThreeStations;

CBatchOptions Options(const std::string& out) {
    CBatchOptions options;
    options.strOutFolder = out;
    options.start = CTime(1796731200);  // 8.12.2026 12:00 UTC
    options.iq = CIqSourceSettings{};
    options.iq->strFile = CThreeStations::Get().Meta();
    return options;
}

// Each station as the only one: the single receiver tuned to it.
Json Alone(double megahertz, const CBatchOptions& base) {
    CBatchOptions options = base;
    options.strOutFolder.clear();
    options.iq->station = megahertz * 1e6;
    CRecordingPrompt prompt;
    CBatchAnalysis analysis(options, prompt);
    return Json::parse(CSummaryReport::ToJson(analysis.Run()));
}

// Each station measures together as alone: the same deviation, MPX power, pilot and RDS
// station (within what the shared front end's other filter moves), its own day files in its
// folder, and an alarm of the shared setup raised only where the deviation reaches it.
TEST(StationsAnalysis, EachStationMeasuresAsAloneWithItsOwnFilesAndAlarms) {
    CTempFolder out, setup;
    CTAVIKSDIDoc doc;
    doc.SetAlarm("DevHigh", std::make_unique<CAlarmItem>("DevHigh", ALARM_SOURCE_DEVIATION,
                                                         ALARM_RELATION_GREATER_EQUAL, 60.0f,
                                                         ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(),
                                                         ALARM_ACKNOWLEDGE_NO));
    ASSERT_TRUE(doc.OnSaveDocument(setup.File("alarm.tvk")));
    CBatchOptions options = Options(out.Path());
    options.strSetupFile = setup.File("alarm.tvk");
    options.bEnableAlarms = true;
    const std::vector<double> stations = {98.5, 98.1, 99.0};
    std::ostringstream text, err;
    ASSERT_EQ(CStationsAnalysis::Run(options, stations, true, text, err), 0) << err.str();
    const Json together = Json::parse(text.str());
    ASSERT_EQ(together["stations"].size(), 3u);
    for (std::size_t s = 0; s < stations.size(); ++s) {
        SCOPED_TRACE(stations[s]);
        const Json& one = together["stations"][s];
        const Json alone = Alone(stations[s], options);
        EXPECT_EQ(one["frequency_mhz"], stations[s]);
        EXPECT_EQ(one["blocks"], alone["blocks"]);
        EXPECT_NEAR(one["deviation_max_khz"], alone["deviation_max_khz"], 0.1);
        EXPECT_NEAR(one["mpx_power_1s_last_dbr"], alone["mpx_power_1s_last_dbr"], 0.05);
        EXPECT_NEAR(one["pilot_khz"], alone["pilot_khz"], 0.02);
        EXPECT_NEAR(one["rds_injection_khz"], alone["rds_injection_khz"], 0.02);
        EXPECT_EQ(one["rds"]["pi"], alone["rds"]["pi"]);
        EXPECT_EQ(one["rds"]["ps"], alone["rds"]["ps"]);
        // 98.5 deviates up to 75 kHz, its neighbours to half of it.
        EXPECT_EQ(one["alarms"][0]["activations"], s == 0 ? 1 : 0);
        const std::string folder = out.File(CStationsAnalysis::FolderName(stations[s]));
        EXPECT_TRUE(std::filesystem::exists(folder + "/tavik261208.xml"));
        EXPECT_TRUE(std::filesystem::exists(folder + "/tavik261208.log"));
    }
    EXPECT_EQ(err.str().find("DevHigh"), err.str().rfind("DevHigh")) << "only 98.500 raised it";
    EXPECT_EQ(err.str().rfind("98.500: ", 0), 0u) << err.str();
}

// Lists that cannot be measured together, and a station outside the capture, with the reason.
TEST(StationsAnalysis, RefusesWithTheReason) {
    const struct {
        std::vector<double> megahertz;
        const char* fault;
    } cases[] = {
        {{98.1, 98.5}, ""},
        {{98.5, 98.1, 98.5}, "98.500 MHz is listed twice"},
        {{98.1, 98.175}, "98.100 and 98.175 MHz are closer than 100 kHz"},
        {{98.1, 98.2}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CStationsAnalysis::CheckStations(c.megahertz), c.fault);
    }
    std::ostringstream text, err;
    EXPECT_EQ(CStationsAnalysis::Run(Options(""), {98.5, 101.0}, false, text, err), 1);
    EXPECT_NE(err.str().find("a station lies outside the band the capture covers"),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace tavik

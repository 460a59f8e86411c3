#include "metrics/MetricsText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "metrics/MetricsAddress.h"
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

// The counters' families, always there.
const std::string kCounters =
    "# HELP tavik_measured_seconds_total Seconds measured since the start.\n"
    "# TYPE tavik_measured_seconds_total counter\n"
    "tavik_measured_seconds_total 0\n"
    "# HELP tavik_records_written_total Result records written to the result file.\n"
    "# TYPE tavik_records_written_total counter\n"
    "tavik_records_written_total 0\n"
    "# HELP tavik_records_lost_total Result records that could not be written.\n"
    "# TYPE tavik_records_lost_total counter\n"
    "tavik_records_lost_total 0\n"
    "# HELP tavik_console_lines_dropped_total Console lines dropped because the output was not "
    "read.\n"
    "# TYPE tavik_console_lines_dropped_total counter\n"
    "tavik_console_lines_dropped_total 0\n"
    "# HELP tavik_device_errors_total Failures of the device's and the analysis's threads.\n"
    "# TYPE tavik_device_errors_total counter\n"
    "tavik_device_errors_total 0\n"
    "# HELP tavik_dropped_total Work dropped because a consumer was busy: sample blocks "
    "(samples), blocks an analyser (analysers) or the RDS worker (rds) could not take, results "
    "(results).\n"
    "# TYPE tavik_dropped_total counter\n";

const std::string kBuildInfo =
    "# HELP tavik_build_info The program's version.\n"
    "# TYPE tavik_build_info gauge\n"
    "tavik_build_info{version=\"0.1\"} 1\n"
    "# HELP tavik_station_info The station measured: tuned frequency and the decoded RDS PI and "
    "PS.\n"
    "# TYPE tavik_station_info gauge\n";

CMetricsSnapshot Measured() {
    CMetricsSnapshot s;
    s.strVersion = "0.1";
    s.fFrequency = 106.7f;
    s.strPI = "D313";
    s.strPS = "TAVIK \"FM\"";
    s.deviationPeak = 76.12f;
    s.deviationMax = 77.5f;
    s.power1s = 2.95f;
    s.power60s = -std::numeric_limits<float>::infinity();
    s.multipath = 0.125f;
    s.rfLevel = 65.1f;
    s.ituDeviation = true;
    s.ituRfLevel = true;
    s.ituMultipath = false;
    s.rdsErrorRatio = 0.0f;
    s.alarms = {{"Dev", true, 3}, {"Low\\level", false, 0}};
    s.nMeasuredSeconds = 3600;
    s.nRecordsWritten = 3540;
    s.nRecordsLost = 2;
    s.nConsoleLinesDropped = 7;
    s.nDeviceErrors = 1;
    s.drops.n = {1, 5, 0, 9};
    return s;
}

TEST(MetricsTextTest, LaysOutEachFamilyExactlyAndLeavesOutWhatIsNotMeasured) {
    CMetricsSnapshot nothing;
    nothing.strVersion = "0.1";
    nothing.fFrequency = 87.5f;
    const struct {
        const char* name;
        CMetricsSnapshot snapshot;
        std::string expected;
    } cases[] = {
        {"nothing measured yet", nothing,
         kBuildInfo + "tavik_station_info{frequency_mhz=\"87.5\",pi=\"\",ps=\"\"} 1\n" + kCounters +
             "tavik_dropped_total{kind=\"samples\"} 0\n"
             "tavik_dropped_total{kind=\"analysers\"} 0\n"
             "tavik_dropped_total{kind=\"rds\"} 0\n"
             "tavik_dropped_total{kind=\"results\"} 0\n"},
        {"everything measured", Measured(),
         kBuildInfo +
             "tavik_station_info{frequency_mhz=\"106.7\",pi=\"D313\",ps=\"TAVIK \\\"FM\\\"\"} 1\n"
             "# HELP tavik_deviation_peak_khz Largest deviation peak of the last second in kHz.\n"
             "# TYPE tavik_deviation_peak_khz gauge\n"
             "tavik_deviation_peak_khz 76.12\n"
             "# HELP tavik_deviation_max_khz Largest deviation since the start in kHz.\n"
             "# TYPE tavik_deviation_max_khz gauge\n"
             "tavik_deviation_max_khz 77.5\n"
             "# HELP tavik_mpx_power_1s_dbr MPX power over the last second in dBr.\n"
             "# TYPE tavik_mpx_power_1s_dbr gauge\n"
             "tavik_mpx_power_1s_dbr 2.95\n"
             "# HELP tavik_mpx_power_60s_dbr MPX power over the last 60 seconds in dBr (ITU-R "
             "BS.412).\n"
             "# TYPE tavik_mpx_power_60s_dbr gauge\n"
             "tavik_mpx_power_60s_dbr -Inf\n"
             "# HELP tavik_multipath_pct_per_khz Multipath in percent per kHz.\n"
             "# TYPE tavik_multipath_pct_per_khz gauge\n"
             "tavik_multipath_pct_per_khz 0.125\n"
             "# HELP tavik_rf_level_dbuv RF level at zero deviation in dBuV.\n"
             "# TYPE tavik_rf_level_dbuv gauge\n"
             "tavik_rf_level_dbuv 65.1\n"
             "# HELP tavik_itu_condition_met Whether an ITU-R measurement condition is met (1) or "
             "not (0).\n"
             "# TYPE tavik_itu_condition_met gauge\n"
             "tavik_itu_condition_met{condition=\"deviation\"} 1\n"
             "tavik_itu_condition_met{condition=\"rf_level\"} 1\n"
             "tavik_itu_condition_met{condition=\"multipath\"} 0\n"
             "# HELP tavik_rds_bit_error_ratio RDS bit error ratio (0 to 1).\n"
             "# TYPE tavik_rds_bit_error_ratio gauge\n"
             "tavik_rds_bit_error_ratio 0\n"
             "# HELP tavik_alarm_active Whether the alarm is active (1) or not (0).\n"
             "# TYPE tavik_alarm_active gauge\n"
             "tavik_alarm_active{alarm=\"Dev\"} 1\n"
             "tavik_alarm_active{alarm=\"Low\\\\level\"} 0\n"
             "# HELP tavik_alarm_activations_total Activations of the alarm.\n"
             "# TYPE tavik_alarm_activations_total counter\n"
             "tavik_alarm_activations_total{alarm=\"Dev\"} 3\n"
             "tavik_alarm_activations_total{alarm=\"Low\\\\level\"} 0\n" +
             [] {
                 std::string c = kCounters;
                 for (const auto& [from, to] : {std::pair{"seconds_total 0", "seconds_total 3600"},
                                                {"written_total 0", "written_total 3540"},
                                                {"lost_total 0", "lost_total 2"},
                                                {"dropped_total 0", "dropped_total 7"},
                                                {"errors_total 0", "errors_total 1"}}) {
                     c.replace(c.find(from), std::string(from).size(), to);
                 }
                 return c;
             }() +
             "tavik_dropped_total{kind=\"samples\"} 1\n"
             "tavik_dropped_total{kind=\"analysers\"} 5\n"
             "tavik_dropped_total{kind=\"rds\"} 0\n"
             "tavik_dropped_total{kind=\"results\"} 9\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CMetricsText::Format(c.snapshot), c.expected) << c.name;
    }
}

TEST(MetricsTextTest, OneConditionKnownShowsOnlyThatCondition) {
    CMetricsSnapshot s;
    s.ituDeviation = false;
    const std::string text = CMetricsText::Format(s);
    EXPECT_NE(text.find("tavik_itu_condition_met{condition=\"deviation\"} 0\n"), std::string::npos);
    EXPECT_EQ(text.find("condition=\"rf_level\""), std::string::npos);
}

TEST(MetricsTextTest, ValuesAndLabelsAreWrittenAsTheFormatReadsThem) {
    const struct {
        float value;
        const char* text;
    } values[] = {{2.95f, "2.95"},
                  {106.7f, "106.7"},
                  {-12.5f, "-12.5"},
                  {0.0f, "0"},
                  {1e-7f, "1e-07"},
                  {std::numeric_limits<float>::infinity(), "+Inf"},
                  {-std::numeric_limits<float>::infinity(), "-Inf"},
                  {std::nanf(""), "NaN"}};
    for (const auto& v : values) {
        EXPECT_EQ(CMetricsText::Value(v.value), v.text);
    }
    EXPECT_EQ(CMetricsText::LabelValue("a\"b\\c\nd\xc3\xa4"), "a\\\"b\\\\c\\nd\xc3\xa4");
}

// Prometheus's own checker (its linter included) on a snapshot with every family.
TEST(MetricsTextTest, PromtoolAcceptsTheExposition) {
    if (test::Shell("command -v promtool").exitCode != 0) {
        GTEST_SKIP() << "promtool is not installed (scripts/setup installs it)";
    }
    const test::CTempFolder folder;
    const std::string text = CMetricsText::Format(Measured());
    folder.Write("metrics.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
    const test::CShellRun run =
        test::Shell("promtool check metrics < '" + folder.File("metrics.txt") + "' 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, "");
}

TEST(MetricsAddressTest, TakesNumericAddressesAndRefusesTheRestWithTheReason) {
    const struct {
        const char* text;
        const char* listening;  // nullptr: refused
        const char* fault;
    } cases[] = {
        {"9101", "127.0.0.1:9101", ""},
        {":9101", "127.0.0.1:9101", ""},
        {"0", "127.0.0.1:0", ""},
        {"0.0.0.0:9101", "0.0.0.0:9101", ""},
        {"192.168.1.20:65535", "192.168.1.20:65535", ""},
        {"[::1]:9101", "[::1]:9101", ""},
        {"65536", nullptr,
         "\"65536\" needs a port from 0 to 65535 (ADDR:PORT, or PORT for 127.0.0.1)"},
        {"127.0.0.1:", nullptr,
         "\"127.0.0.1:\" needs a port from 0 to 65535 (ADDR:PORT, or PORT for 127.0.0.1)"},
        {"127.0.0.1:91x", nullptr,
         "\"127.0.0.1:91x\" needs a port from 0 to 65535 (ADDR:PORT, or PORT for 127.0.0.1)"},
        {"-1", nullptr, "\"-1\" needs a port from 0 to 65535 (ADDR:PORT, or PORT for 127.0.0.1)"},
        {"localhost:9101", nullptr,
         "\"localhost\" is not a numeric IPv4 address (e.g. 127.0.0.1, 0.0.0.0 for every "
         "interface, [::1])"},
        {"256.1.1.1:9101", nullptr,
         "\"256.1.1.1\" is not a numeric IPv4 address (e.g. 127.0.0.1, 0.0.0.0 for every "
         "interface, [::1])"},
        {"[::g]:9101", nullptr,
         "\"::g\" is not a numeric IPv6 address (e.g. 127.0.0.1, 0.0.0.0 for every interface, "
         "[::1])"},
        {"::1:9101", nullptr,
         "\"::1\" is not a numeric IPv4 address (e.g. 127.0.0.1, 0.0.0.0 for every interface, "
         "[::1])"},
    };
    for (const auto& c : cases) {
        CMetricsAddress address;
        EXPECT_EQ(address.Parse(c.text), c.fault) << c.text;
        if (c.listening != nullptr) {
            EXPECT_EQ(address.ListeningPort(), c.listening) << c.text;
        }
    }
}

}  // namespace
}  // namespace tavik

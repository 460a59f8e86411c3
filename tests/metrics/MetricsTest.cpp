// The text exposition, the listening address and the station's labels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "metrics/MetricsAddress.h"
#include "metrics/MetricsText.h"
#include "metrics/StationLabels.h"
#include "tests/support/Shell.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using test::Has;

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
    "# HELP tavik_station_info The station measured: tuned frequency in MHz and the RDS PI once "
    "steady for 3 seconds.\n"
    "# TYPE tavik_station_info gauge\n";

// The deviation counters' families, always there; the values follow.
const std::string kDeviationBlocks =
    "# HELP tavik_deviation_blocks_total MPX blocks of 100 ms whose deviation peak was "
    "measured.\n"
    "# TYPE tavik_deviation_blocks_total counter\n"
    "tavik_deviation_blocks_total ";
const std::string kDeviationBlocksOver =
    "# HELP tavik_deviation_blocks_over_75khz_total MPX blocks of 100 ms whose deviation peak was "
    "75 kHz or more.\n"
    "# TYPE tavik_deviation_blocks_over_75khz_total counter\n"
    "tavik_deviation_blocks_over_75khz_total ";

CMetricsSnapshot Measured() {
    CMetricsSnapshot s;
    s.strVersion = "0.1";
    s.fFrequency = 106.7f;
    s.strPI = "D313";
    s.strPS = "TAVIK \"FM\"";
    s.deviationPeak = 76.12f;
    s.deviationMax = 77.5f;
    s.nDeviationBlocks = 36000;
    s.nDeviationBlocksOver75 = 127;
    s.power1s = 2.95f;
    s.power60s = -std::numeric_limits<float>::infinity();
    s.pilot = 6.75f;
    s.pilotError = -0.4f;
    s.rdsInjection = 0.0f;  // no RDS
    s.audioLeft = -6.5f;
    s.audioRight = -90.0f;
    s.silence = 1.0f;
    s.multipath = 0.125f;
    s.rfLevel = 65.1f;
    s.ituDeviation = true;
    s.ituRfLevel = true;
    s.ituMultipath = false;
    s.rdsErrorRatio = 0.0f;
    s.carrierToNoise = 38.5f;
    s.frequencyError = -2500.0f;
    s.overloadRatio = 0.0005f;
    s.lastResult = 1781517600.4;
    s.alarms = {{"Dev", true, 3}, {"Low\\level", false, 0}};
    s.nMeasuredSeconds = 3600;
    s.nRecordsWritten = 3540;
    s.nRecordsLost = 2;
    s.nConsoleLinesDropped = 7;
    s.nDeviceErrors = 1;
    s.drops.n = {1, 5, 0, 9};
    return s;
}

const std::string kReceptionUp =
    "# HELP tavik_reception_up Whether the receiver delivers and a carrier is there (1) or not "
    "(0).\n"
    "# TYPE tavik_reception_up gauge\n"
    "tavik_reception_up 1\n";

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
         kBuildInfo + "tavik_station_info{frequency_mhz=\"87.5\",pi=\"\"} 1\n" + kDeviationBlocks +
             "0\n" + kDeviationBlocksOver + "0\n" + kReceptionUp + kCounters +
             "tavik_dropped_total{kind=\"samples\"} 0\n"
             "tavik_dropped_total{kind=\"analysers\"} 0\n"
             "tavik_dropped_total{kind=\"rds\"} 0\n"
             "tavik_dropped_total{kind=\"results\"} 0\n"},
        {"everything measured", Measured(),
         kBuildInfo +
             "tavik_station_info{frequency_mhz=\"106.7\",pi=\"D313\"} 1\n"
             "# HELP tavik_station_ps_info The RDS programme service name (PS) once steady for 3 "
             "seconds; absent while the PS scrolls.\n"
             "# TYPE tavik_station_ps_info gauge\n"
             "tavik_station_ps_info{ps=\"TAVIK \\\"FM\\\"\"} 1\n"
             "# HELP tavik_deviation_peak_khz Largest deviation peak of the last second in kHz of "
             "frequency deviation (the broadcast unit; 75 kHz is full modulation).\n"
             "# TYPE tavik_deviation_peak_khz gauge\n"
             "tavik_deviation_peak_khz 76.12\n"
             "# HELP tavik_deviation_max_khz Largest deviation since the start in kHz of frequency "
             "deviation.\n"
             "# TYPE tavik_deviation_max_khz gauge\n"
             "tavik_deviation_max_khz 77.5\n" +
             kDeviationBlocks + "36000\n" + kDeviationBlocksOver + "127\n" +
             "# HELP tavik_mpx_power_1s_dbr MPX power over the last second in dBr (the broadcast "
             "unit: dB relative to the power of a sine of 19 kHz deviation, ITU-R BS.412).\n"
             "# TYPE tavik_mpx_power_1s_dbr gauge\n"
             "tavik_mpx_power_1s_dbr 2.95\n"
             "# HELP tavik_mpx_power_60s_dbr MPX power over the last 60 seconds in dBr (ITU-R "
             "BS.412: at most 0 dBr).\n"
             "# TYPE tavik_mpx_power_60s_dbr gauge\n"
             "tavik_mpx_power_60s_dbr -Inf\n"
             "# HELP tavik_pilot_khz Pilot injection as peak deviation in kHz (0 without a "
             "pilot).\n"
             "# TYPE tavik_pilot_khz gauge\n"
             "tavik_pilot_khz 6.75\n"
             "# HELP tavik_pilot_error_hz Pilot frequency above 19000 Hz in Hz.\n"
             "# TYPE tavik_pilot_error_hz gauge\n"
             "tavik_pilot_error_hz -0.4\n"
             "# HELP tavik_rds_injection_khz RDS injection as peak deviation of the 57 kHz "
             "subcarrier in kHz (0 without RDS).\n"
             "# TYPE tavik_rds_injection_khz gauge\n"
             "tavik_rds_injection_khz 0\n"
             "# HELP tavik_audio_left_db Left audio peak of the last second in dB of full "
             "modulation (75 kHz mono = 0 dB).\n"
             "# TYPE tavik_audio_left_db gauge\n"
             "tavik_audio_left_db -6.5\n"
             "# HELP tavik_audio_right_db Right audio peak of the last second in dB of full "
             "modulation (75 kHz mono = 0 dB).\n"
             "# TYPE tavik_audio_right_db gauge\n"
             "tavik_audio_right_db -90\n"
             "# HELP tavik_silence Whether the programme is silent (1) or not (0).\n"
             "# TYPE tavik_silence gauge\n"
             "tavik_silence 1\n"
             "# HELP tavik_multipath_percent_per_khz Multipath in percent per kHz (the ITU-R "
             "conditions ask for less than 2).\n"
             "# TYPE tavik_multipath_percent_per_khz gauge\n"
             "tavik_multipath_percent_per_khz 0.125\n"
             "# HELP tavik_multipath_pct_per_khz Deprecated, removed in the next release: "
             "tavik_multipath_percent_per_khz.\n"
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
             "# HELP tavik_rds_bit_error_ratio RDS bit error ratio: erroneous bits per bit "
             "received, from 0 to 1 (not percent).\n"
             "# TYPE tavik_rds_bit_error_ratio gauge\n"
             "tavik_rds_bit_error_ratio 0\n" +
             kReceptionUp +
             "# HELP tavik_carrier_to_noise_db Carrier-to-noise ratio in the 200 kHz channel in "
             "dB.\n"
             "# TYPE tavik_carrier_to_noise_db gauge\n"
             "tavik_carrier_to_noise_db 38.5\n"
             "# HELP tavik_frequency_error_hz The carrier's offset from the tuned frequency in "
             "Hz.\n"
             "# TYPE tavik_frequency_error_hz gauge\n"
             "tavik_frequency_error_hz -2500\n"
             "# HELP tavik_adc_overload_ratio Share of the IQ samples at the converter's limits "
             "(0 to 1).\n"
             "# TYPE tavik_adc_overload_ratio gauge\n"
             "tavik_adc_overload_ratio 5e-04\n"
             "# HELP tavik_last_result_timestamp_seconds When the last second that brought "
             "results with a signal ended, in seconds since 1970.\n"
             "# TYPE tavik_last_result_timestamp_seconds gauge\n"
             "tavik_last_result_timestamp_seconds 1781517600\n"
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
    EXPECT_TRUE(Has(text, "tavik_itu_condition_met{condition=\"deviation\"} 0\n"));
    EXPECT_FALSE(Has(text, "condition=\"rf_level\""));
}

// Several stations: each family once, a sample per station with its frequency first; the build
// once, unlabelled; the station's info keeps its own frequency label.
TEST(MetricsTextTest, SeveralStationsShareEachFamilyAndLabelEverySample) {
    CMetricsSnapshot first, second;
    first.fFrequency = 98.1f;
    first.ituDeviation = false;
    second.fFrequency = 98.5f;
    second.deviationMax = 74.5f;
    const std::vector<CMetricsSnapshot> stations = {first, second};
    const std::string text = CMetricsText::FormatStations(stations);
    EXPECT_EQ(text.substr(0, text.find("# HELP tavik_deviation_blocks_over")),
              "# HELP tavik_build_info The program's version.\n"
              "# TYPE tavik_build_info gauge\n"
              "tavik_build_info{version=\"\"} 1\n"
              "# HELP tavik_station_info The station measured: tuned frequency in MHz and the RDS "
              "PI once steady for 3 seconds.\n"
              "# TYPE tavik_station_info gauge\n"
              "tavik_station_info{frequency_mhz=\"98.1\",pi=\"\"} 1\n"
              "tavik_station_info{frequency_mhz=\"98.5\",pi=\"\"} 1\n"
              "# HELP tavik_deviation_blocks_total MPX blocks of 100 ms whose deviation peak was "
              "measured.\n"
              "# TYPE tavik_deviation_blocks_total counter\n"
              "tavik_deviation_blocks_total{frequency_mhz=\"98.1\"} 0\n"
              "tavik_deviation_blocks_total{frequency_mhz=\"98.5\"} 0\n");
    EXPECT_TRUE(
        Has(text, "tavik_itu_condition_met{frequency_mhz=\"98.1\",condition=\"deviation\"} 0\n"));
    EXPECT_TRUE(Has(text, "tavik_deviation_max_khz{frequency_mhz=\"98.5\"} 74.5\n"));
    EXPECT_TRUE(Has(text, "tavik_dropped_total{frequency_mhz=\"98.5\",kind=\"results\"} 0\n"));
    EXPECT_EQ(CMetricsText::FormatStations(std::vector<CMetricsSnapshot>{first}),
              CMetricsText::Format(first));
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

// Prometheus's own checker (its linter included) on a snapshot with every family, alone and as
// one of two stations.
TEST(MetricsTextTest, PromtoolAcceptsTheExposition) {
    if (test::Shell("command -v promtool").exitCode != 0) {
        GTEST_SKIP() << "promtool is not installed (scripts/setup installs it)";
    }
    const test::CTempFolder folder;
    std::vector<CMetricsSnapshot> stations = {Measured(), Measured()};
    stations[1].fFrequency = 98.5f;
    for (const std::string& text :
         {CMetricsText::Format(Measured()), CMetricsText::FormatStations(stations)}) {
        folder.Write("metrics.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
        const test::CShellRun run =
            test::Shell("promtool check metrics < '" + folder.File("metrics.txt") + "' 2>&1");
        EXPECT_EQ(run.exitCode, 0) << run.out;
        EXPECT_EQ(run.out, "");
    }
}

// `ipv6`: whether the build has IPv6; without it an IPv6 address is refused and not suggested.
TEST(MetricsAddressTest, TakesNumericAddressesAndRefusesTheRestWithTheReason) {
    const std::string port = " needs a port from 0 to 65535 (ADDR:PORT, or PORT for 127.0.0.1)";
    const std::string v4 =
        " is not a numeric IPv4 address (e.g. 127.0.0.1, 0.0.0.0 for every "
        "interface";
    const struct {
        const char* text;
        bool ipv6;
        const char* listening;  // nullptr: refused
        std::string fault;
    } cases[] = {
        {"9101", false, "127.0.0.1:9101", ""},
        {":9101", false, "127.0.0.1:9101", ""},
        {"0", false, "127.0.0.1:0", ""},
        {"0.0.0.0:9101", false, "0.0.0.0:9101", ""},
        {"192.168.1.20:65535", false, "192.168.1.20:65535", ""},
        {"[::1]:9101", true, "[::1]:9101", ""},
        {"[::1]:9101", false, nullptr,
         "\"[::1]:9101\": IPv6 is not available in this build; listen on an IPv4 address (e.g. "
         "127.0.0.1, 0.0.0.0 for every interface)"},
        {"65536", true, nullptr, "\"65536\"" + port},
        {"127.0.0.1:", true, nullptr, "\"127.0.0.1:\"" + port},
        {"127.0.0.1:91x", true, nullptr, "\"127.0.0.1:91x\"" + port},
        {"-1", true, nullptr, "\"-1\"" + port},
        {"localhost:9101", true, nullptr, "\"localhost\"" + v4 + ", [::1])"},
        {"localhost:9101", false, nullptr, "\"localhost\"" + v4 + ")"},
        {"256.1.1.1:9101", true, nullptr, "\"256.1.1.1\"" + v4 + ", [::1])"},
        {"[::g]:9101", true, nullptr,
         "\"::g\" is not a numeric IPv6 address (e.g. 127.0.0.1, 0.0.0.0 for every interface, "
         "[::1])"},
        {"::1:9101", false, nullptr, "\"::1\"" + v4 + ")"},
    };
    for (const auto& c : cases) {
        CMetricsAddress address;
        EXPECT_EQ(address.Parse(c.text, c.ipv6), c.fault) << c.text << " " << c.ipv6;
        if (c.listening != nullptr) {
            EXPECT_EQ(address.ListeningPort(), c.listening) << c.text;
        }
    }
    // This build's answer follows the library's own feature flag.
    CMetricsAddress address;
    EXPECT_EQ(address.Parse("[::1]:9101").empty(), CMetricsAddress::Ipv6Available());
}

// Each label value is a series of its own: a PS that scrolls must not make one per word. Fed
// once a second; `words` each last `hold` seconds, in turn, for `seconds`.
TEST(StationLabelsTest, ShowsOnlySteadyTextsAndLeavesOutAScrollingPs) {
    const std::vector<std::string> scrolling = {"RADIO", "TAVIK", "NEWS AT", "SIX"};
    const struct {
        const char* name;
        std::vector<std::string> words;
        int hold;
        int seconds;
        std::size_t series;  // distinct PS values shown
        std::string last;    // the PS shown at the end
    } cases[] = {
        {"steady", {"TAVIK FM"}, 1, 10, 1, "TAVIK FM"},
        {"too short to show", {"TAVIK FM"}, 1, 2, 0, ""},
        {"a word a second", scrolling, 1, 3600, 0, ""},
        {"a word every 2 s", scrolling, 2, 3600, 0, ""},
        // Steady long enough each, but changing all the time: a few series, then none.
        {"a word every 5 s", scrolling, 5, 3600, 4, ""},
        {"a change a quarter of an hour", scrolling, 900, 3600, 4, "SIX"},
    };
    for (const auto& c : cases) {
        CStationLabels labels;
        std::set<std::string> shown;
        for (int second = 0; second < c.seconds; ++second) {
            const std::string& word =
                c.words[static_cast<std::size_t>(second / c.hold) % c.words.size()];
            labels.Second("D313", word);
            if (!labels.PS().empty()) {
                shown.insert(labels.PS());
            }
        }
        EXPECT_EQ(shown.size(), c.series) << c.name;
        EXPECT_EQ(labels.PS(), c.last) << c.name;
        EXPECT_EQ(labels.PI(), c.seconds >= CStationLabels::kSteadySeconds ? "D313" : "") << c.name;
    }
}

// A dynamic PS comes back once an hour has passed with few changes; a PI misread for a second
// never shows.
TEST(StationLabelsTest, ADynamicPsReturnsWhenSteadyForAnHourAndAMisreadPiNeverShows) {
    CStationLabels labels;
    for (int second = 0; second < 600; ++second) {
        labels.Second(second == 300 ? "D3F3" : "D313", second % 10 < 5 ? "NEWS" : "AT SIX");
        EXPECT_NE(labels.PI(), "D3F3");
    }
    EXPECT_EQ(labels.PS(), "");
    for (int second = 0; second < 1800; ++second) {
        labels.Second("D313", "TAVIK FM");
    }
    EXPECT_EQ(labels.PS(), "");  // the changes of the scrolling are within the hour still
    for (int second = 0; second < 1860; ++second) {
        labels.Second("D313", "TAVIK FM");
    }
    EXPECT_EQ(labels.PS(), "TAVIK FM");
    EXPECT_EQ(labels.PI(), "D313");
}

}  // namespace
}  // namespace tavik

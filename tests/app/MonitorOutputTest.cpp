// The monitor's outputs besides the result files: the status line, the alarm program's
// environment, the metrics and, under systemd, the journal's priorities and the notifications.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cmath>
#include <ctime>
#include <limits>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "alarms/AlarmItem.h"
#include "app/AlarmNotifier.h"
#include "app/GuiMetrics.h"
#include "app/HeadlessPrompt.h"
#include "app/JsonLine.h"
#include "app/MetricsPublisher.h"
#include "app/MonitorValues.h"
#include "app/ServiceNotifier.h"
#include "app/StatusLine.h"
#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/HttpClient.h"
#include "tests/support/NotifySocket.h"
#include "tests/support/RtlTcpServer.h"
#include "tests/support/Shell.h"
#include "tests/support/TextMatch.h"

namespace tavik {
namespace {

using test::CKnownRecording;
using test::CTempFolder;
using test::Has;
using test::Reception;
using test::Result;
using test::Shell;

TEST(StatusLine, ShowsADashForEveryValueNotYetMeasured) {
    CMonitorValues values;
    EXPECT_EQ(CStatusLine::Format(CTimeSpan(1), values, ""),
              "00:00:01 dev - max - kHz | mpx 1s - 60s - dBr | pilot - rds - | L - R - dB | "
              "mp - %/kHz - | rf - dBuV | PI - PS - BER - % | alarms -");
    // A multipath result before the first accepted fit has a status but no value.
    values.Take(Result<EResultCode::Multipath>(test::NoFit()));
    EXPECT_TRUE(Has(CStatusLine::Format(CTimeSpan(1), values, ""), "| mp - %/kHz LOW-DEV | rf - "));
    // Drops show at the end once there are any, kind by kind.
    values.drops.n = {0, 5, 1, 0};
    const std::string line = CStatusLine::Format(CTimeSpan(1), values, "");
    EXPECT_EQ(line.substr(line.find("| alarms")), "| alarms - | dropped analysers 5, rds 1");
}

TEST(StatusLine, ShowsEveryValueOnceMeasured) {
    CMonitorValues values;
    values.Take(Result<EResultCode::DeviationPeak>(48.26f));
    values.Take(Result<EResultCode::DeviationMax>(77.14f));
    values.Take(Result<EResultCode::Power1s>(2.954f));
    values.Take(Result<EResultCode::PowerHistory>(std::make_shared<const std::vector<float>>(
        std::vector<float>{3.016f, -1.0f})));  // newest first
    values.Take(Result<EResultCode::Multipath>(
        test::Fit(CMultipathResult::STATUS_CONDITIONS_MET, 0.1234f, 65.06f)));
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "M\xD1NCHEN ";  // RDS code table: 0xD1 is A-diaeresis
    rds->m_dBitErrorRate = 0.126;
    values.Take(Result<EResultCode::RdsQuality>(rds));
    CMpxReadings readings;
    readings.pilotKhz = 6.76f;
    readings.pilotErrorHz = 0.3f;
    readings.rdsKhz = 2.96f;
    readings.leftDb = -6.04f;
    readings.rightDb = -12.96f;
    values.Take(Result<EResultCode::MpxReadings>(readings));
    EXPECT_EQ(CStatusLine::Format(CTimeSpan(0, 25, 1, 5), values, "Dev high,Silence"),
              "25:01:05 dev 48.3 max 77.1 kHz | mpx 1s 2.95 60s 3.02 dBr | pilot 6.8 kHz rds "
              "3.0 kHz | L -6.0 R -13.0 dB | mp 0.12 %/kHz OK | "
              "rf 65.1 dBuV | PI D313 PS \"M\xC3\x84NCHEN \" BER 0.13 % | alarms Dev high,Silence");
    // Without pilot and RDS, and while the programme is silent.
    readings = CMpxReadings();
    readings.silence = true;
    values.Take(Result<EResultCode::MpxReadings>(readings));
    EXPECT_TRUE(Has(CStatusLine::Format(CTimeSpan(1), values, ""),
                    " | no pilot no rds | L -90.0 R -90.0 dB SILENCE | mp "));

    // Messages of other kinds, and results without a payload, change nothing.
    values.Take(CMessage{WM_TRANSFER_ERROR, 4, 0});
    values.Take(Result<EResultCode::PowerHistory>(nullptr));
    values.Take(Result<EResultCode::PowerHistory>(std::make_shared<const std::vector<float>>()));
    EXPECT_EQ(values.deviation, 48.26f);
    EXPECT_EQ(values.power60s, 3.016f);
    // A record without PI and PS yet (the decoder has not found them).
    values.Take(Result<EResultCode::RdsData>(std::make_shared<CRDSSnapshot>()));
    EXPECT_TRUE(Has(CStatusLine::Format(CTimeSpan(1), values, ""), "| PI - PS - BER 0.00 % |"));
    values.Clear();
    EXPECT_FALSE(values.deviation || values.multipath || values.rds || values.mpxReadings);
}

TEST(StatusLine, ValuesAndStatusTexts) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(CStatusLine::FormatValue(-inf, 2), "-inf");  // the power of silence
    EXPECT_EQ(CStatusLine::FormatValue(inf, 2), "inf");
    EXPECT_EQ(CStatusLine::FormatValue(std::nanf(""), 2), "nan");
    EXPECT_EQ(CStatusLine::FormatValue(std::nullopt, 2), "-");
    EXPECT_EQ(CStatusLine::FormatValue(-0.004f, 2), "-0.00");
    EXPECT_EQ(CStatusLine::FormatValue(74.96f, 1), "75.0");
    const char* const statuses[] = {"-", "OK", "STOP", "LOW-DEV", "-"};
    for (int status = 0; status < 5; ++status) {
        EXPECT_STREQ(CStatusLine::StatusText(status), statuses[status]);
    }
    EXPECT_EQ(CStatusLine::FormatElapsed(CTimeSpan(0)), "00:00:00");
    EXPECT_EQ(CStatusLine::FormatElapsed(CTimeSpan(100, 0, 0, 59)), "2400:00:59");
}

CMessage ReceptionNotice(int subId, const char* text) {
    return CMessage{WM_TRANSFER_ERROR,
                    static_cast<std::uintptr_t>(EXC_TAVIKCONTROL),
                    subId,
                    {},
                    std::make_shared<const std::string>(text)};
}

// A software receiver's reception, step by step as it changes: the status line, the JSON
// line's keys and the metrics say the same; without a carrier or a receiver the deviation,
// power and multipath are gone and later results of them are not taken until it is back.
TEST(MonitorValues, ReceptionAsTheStatusLineTheJsonAndTheMetricsSayIt) {
    setenv("TZ", "UTC", 1);
    tzset();
    CTAVIKSDIDoc doc;
    CAlarmEventRecorder alarms(doc);
    CMonitorValues values;
    values.Take(Result<EResultCode::DeviationPeak>(48.26f));
    values.Take(Result<EResultCode::Multipath>(
        test::Fit(CMultipathResult::STATUS_CONDITIONS_MET, 0.1234f, 65.06f)));
    const struct {
        CMessage message;
        const char* line;  // the status line from " | mp"
        const char* json;  // its keys from "itu_status" to "receiver_error"
        bool up;
    } steps[] = {
        {Reception(38.24f, 512.0f, 0.0f, true),
         "| mp 0.12 %/kHz OK | rf 65.1 dBuV | cn 38.2 dB fe +0.51 kHz +4.8 ppm | PI",
         "\"itu_status\":\"OK\",\"cn_db\":38.2,\"frequency_error_hz\":512.0,"
         "\"frequency_error_ppm\":4.8,\"adc_overload_pct\":0.0,\"receiver_error\":null",
         true},
        {Reception(29.96f, -2600.0f, 0.25f, true),
         "| mp 0.12 %/kHz LOW-CN | rf 65.1 dBuV | cn 30.0 dB fe -2.60 kHz -24.4 ppm OVERLOAD | PI",
         "\"itu_status\":\"LOW-CN\",\"cn_db\":30.0,\"frequency_error_hz\":-2600.0,"
         "\"frequency_error_ppm\":-24.37,\"adc_overload_pct\":0.25,\"receiver_error\":null",
         true},
        {Reception(4.0f, 93000.0f, 0.0f, false),
         "| mp - %/kHz NO-SIGNAL | rf - dBuV | cn 4.0 dB | PI",
         "\"itu_status\":\"NO-SIGNAL\",\"cn_db\":4.0,\"frequency_error_hz\":null,"
         "\"frequency_error_ppm\":null,\"adc_overload_pct\":0.0,\"receiver_error\":null",
         false},
        {Result<EResultCode::DeviationPeak>(265.0f),  // noise's, still on its way: not taken
         "| mp - %/kHz NO-SIGNAL | rf - dBuV | cn 4.0 dB | PI", nullptr, false},
        {Reception(41.0f, 10.0f, 0.0f, true),
         "| mp - %/kHz - | rf - dBuV | cn 41.0 dB fe +0.01 kHz +0.1 ppm | PI", nullptr, true},
        {ReceptionNotice(CTavikControl::SUBID_RECEPTION_LOST, "rtltcp:x:1 closed; reconnecting"),
         "| mp - %/kHz NO-SIGNAL | rf - dBuV | PI",
         "\"itu_status\":\"NO-SIGNAL\",\"cn_db\":null,\"frequency_error_hz\":null,"
         "\"frequency_error_ppm\":null,\"adc_overload_pct\":null,"
         "\"receiver_error\":\"rtltcp:x:1 closed; reconnecting\"",
         false},
        {ReceptionNotice(CTavikControl::SUBID_RECEPTION_BACK, "resumed"),
         "| mp - %/kHz - | rf - dBuV | cn 41.0 dB fe +0.01 kHz +0.1 ppm | PI", nullptr, true},
    };
    for (const auto& step : steps) {
        values.Take(step.message);
        const std::string line = CStatusLine::Format(CTimeSpan(1), values, "");
        EXPECT_TRUE(Has(line, step.line)) << line;
        EXPECT_EQ(Has(line, "| NO RECEIVER (rtltcp:x:1 closed; reconnecting)"),
                  values.receiverLost.has_value())
            << line;
        const std::string json = CJsonLine::Format(CTime(1781517601), 106.7f, values, {});
        if (step.json != nullptr) {
            EXPECT_TRUE(Has(json, step.json)) << json;
        }
        const CMetricsSnapshot s = CMetricsPublisher::Build(doc, values, alarms);
        EXPECT_EQ(s.bReceptionUp, step.up) << line;
        EXPECT_EQ(s.deviationPeak.has_value(), step.up && values.secondPeak.has_value());
    }
    EXPECT_FALSE(values.deviation);       // forgotten at the loss, nothing taken since
    EXPECT_EQ(values.nDeviceErrors, 1u);  // the loss; its return is no error
}

// What an --on-alarm program is told of a deactivation before anything was measured.
TEST(AlarmNotifier, EnvironmentOfAClearedAlarm) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    CTAVIKSDIDoc doc;
    CManualClock clock(CTime(1781517600));
    doc.SetClock(&clock);
    CMonitorValues values;
    std::ostringstream err;
    CAlarmNotifier notifier(doc, values, "/bin/true", err);
    CAlarmItem item("$(x)", ALARM_SOURCE_MULTIPATH, ALARM_RELATION_GREATER_EQUAL, 1.5f,
                    ALARM_ACTION_LOG_ONLY, COleDateTimeSpan(), ALARM_ACKNOWLEDGE_NO);
    item.m_fTriggerValue = 2.25f;  // the value of the last activation, not of this event
    EXPECT_EQ(
        notifier.Environment("$(x)", item),
        (std::vector<std::string>{
            "TAVIK_ALARM_NAME=$(x)", "TAVIK_ALARM_STATE=cleared", "TAVIK_ALARM_SOURCE=MULTIPATH",
            "TAVIK_ALARM_VALUE=", "TAVIK_ALARM_RELATION=>=", "TAVIK_ALARM_THRESHOLD=1.5",
            "TAVIK_ALARM_UNIT=%/kHz", "TAVIK_ALARM_TIME=2026-06-15T12:00:00+02:00",
            "TAVIK_FREQUENCY_MHZ=106.7", "TAVIK_PI=", "TAVIK_PS="}));
    item.m_bActive = 1;
    EXPECT_EQ(notifier.Environment("$(x)", item)[3], "TAVIK_ALARM_VALUE=2.25");
}

// What the monitor's values become in the snapshot: absent until measured, the ITU-R
// conditions each from the fit, the bit error rate as a ratio, thread failures counted.
TEST(MetricsPublisher, TakesTheStatusLinesValuesAndLeavesOutWhatIsNotMeasured) {
    CTAVIKSDIDoc doc;
    CAlarmEventRecorder alarms(doc);
    CMonitorValues values;
    CMetricsSnapshot s = CMetricsPublisher::Build(doc, values, alarms);
    EXPECT_EQ(s.strVersion, TAVIK_VERSION);
    EXPECT_EQ(s.fFrequency, 106.7f);
    EXPECT_FALSE(s.deviationPeak || s.deviationMax || s.power1s || s.power60s || s.multipath ||
                 s.rfLevel || s.ituDeviation || s.ituRfLevel || s.ituMultipath || s.rdsErrorRatio);
    EXPECT_EQ(s.strPI, "");

    const struct {
        bool accepted;
        int status;
        float level;
        float multipath;
        std::optional<bool> deviation, level54, multipath2;
    } fits[] = {
        {false, CMultipathResult::STATUS_DEVIATION_TOO_LOW, 0, 0, false, {}, {}},
        {true, CMultipathResult::STATUS_CONDITIONS_MET, 65.0f, 0.5f, true, true, true},
        {true, CMultipathResult::STATUS_CONDITIONS_NOT_MET, 54.0f, 0.5f, true, false, true},
        {true, CMultipathResult::STATUS_CONDITIONS_NOT_MET, 60.0f, 2.0f, true, true, false},
        {true, CMultipathResult::STATUS_DEVIATION_TOO_LOW, 60.0f, 0.5f, false, true, true},
    };
    for (const auto& f : fits) {
        values.Take(
            Result<EResultCode::Multipath>(test::Fit(f.status, f.multipath, f.level, f.accepted)));
        s = CMetricsPublisher::Build(doc, values, alarms);
        EXPECT_EQ(s.ituDeviation, f.deviation) << f.status << " " << f.level;
        EXPECT_EQ(s.ituRfLevel, f.level54) << f.status << " " << f.level;
        EXPECT_EQ(s.ituMultipath, f.multipath2) << f.status << " " << f.level;
        EXPECT_EQ(s.rfLevel.has_value(), f.accepted);
    }

    values.Take(Result<EResultCode::DeviationPeak>(74.99f));
    values.Take(Result<EResultCode::DeviationPeak>(75.0f));
    values.Take(Result<EResultCode::DeviationPeak>(51.5f));
    values.Take(Result<EResultCode::DeviationMax>(77.0f));
    values.Take(Result<EResultCode::Power1s>(2.5f));
    values.Take(Result<EResultCode::PowerHistory>(
        std::make_shared<const std::vector<float>>(std::vector<float>{-0.5f, 1.0f})));
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "M\xD1NCHEN ";
    rds->m_dBitErrorRate = 1.5;  // percent
    values.Take(Result<EResultCode::RdsQuality>(rds));
    values.Take(CMessage{WM_TRANSFER_ERROR, 4, 0});
    values.Take(CMessage{WM_ANALYSER_ERROR, 4, 0});
    s = CMetricsPublisher::Build(doc, values, alarms);
    EXPECT_EQ(s.deviationPeak, 75.0f);  // the second's largest
    EXPECT_EQ(s.nDeviationBlocks, 3u);
    EXPECT_EQ(s.nDeviationBlocksOver75, 1u);  // 75 kHz itself counts
    EXPECT_EQ(s.deviationMax, 77.0f);
    EXPECT_EQ(s.power1s, 2.5f);
    EXPECT_EQ(s.power60s, -0.5f);  // newest first
    EXPECT_EQ(s.strPI, "D313");
    EXPECT_EQ(s.strPS, "M\xC3\x84NCHEN");  // UTF-8, without the padding
    EXPECT_EQ(s.rdsErrorRatio, 0.015f);
    EXPECT_EQ(s.nDeviceErrors, 2u);
}

// From second to second: the last result's time moves only in a second that brought sample
// blocks' results with a signal (RDS alone does not), the counters keep counting across
// seconds, the station's PI and PS show once steady.
TEST(MetricsPublisher, CarriesTheLastResultsTimeTheCountersAndTheSteadyStationOn) {
    CTAVIKSDIDoc doc;
    CAlarmEventRecorder alarms(doc);
    CMonitorValues values;
    CMetricsSeconds seconds;
    auto rds = std::make_shared<CRDSSnapshot>();
    rds->m_data.m_strPI = "D313";
    rds->m_data.m_strPS = "TAVIK FM";
    const struct {
        int blocks;  // deviation results this second, 80 kHz each
        bool rds;    // an RDS result this second
        std::optional<double> last;
        std::uint64_t over75;
        const char* ps;
    } steps[] = {
        {0, true, {}, 0, ""},
        {10, false, 101.0, 10, ""},
        {0, true, 101.0, 10, "TAVIK FM"},
        {0, false, 101.0, 10, "TAVIK FM"},
        {3, false, 104.0, 13, "TAVIK FM"},
    };
    double now = 100.0;
    for (const auto& step : steps) {
        for (int i = 0; i < step.blocks; ++i) {
            values.Take(Result<EResultCode::DeviationPeak>(80.0f));
        }
        if (step.rds) {
            values.Take(Result<EResultCode::RdsQuality>(rds));
        }
        CMetricsSnapshot s = CMetricsPublisher::Build(doc, values, alarms);
        seconds.Complete(s, values, now);
        EXPECT_EQ(s.lastResult, step.last) << now;
        EXPECT_EQ(s.nDeviationBlocksOver75, step.over75) << now;
        EXPECT_EQ(s.strPS, step.ps) << now;
        EXPECT_EQ(s.strPI, now >= 102.0 ? "D313" : "") << now;
        values.StartSecond();
        now += 1.0;
    }
}

// The window's endpoint: results from the analysers' threads pass on to the window unchanged
// and reach the snapshot published at the next main-timer tick, with the alarm activations.
TEST(GuiMetrics, PassesResultsToTheWindowAndPublishesThemEveryTick) {
    CTAVIKSDIDoc doc;
    CQueueTarget window;
    doc.SetResultWindow(&window);
    auto item = std::make_unique<CAlarmItem>();
    CAlarmItem* alarm = item.get();
    doc.SetAlarm("Dev", std::move(item));
    CGuiMetrics metrics(doc);
    CMetricsAddress address;
    ASSERT_EQ(address.Parse("0"), "");
    ASSERT_EQ(metrics.Start(address), "");
    EXPECT_EQ(doc.GetResultWindow(), static_cast<HWND>(&metrics));
    const int port = std::stoi(metrics.Url().substr(metrics.Url().rfind(':') + 1));
    EXPECT_EQ(metrics.Url(), "http://127.0.0.1:" + std::to_string(port) + "/metrics");
    const auto scrape = [port] { return test::Body(test::Get(port, "/metrics")); };
    EXPECT_FALSE(Has(scrape(), "tavik_deviation_peak_khz"));

    std::thread analyser([&doc] {
        doc.GetResultWindow()->PostMessage(Result<EResultCode::DeviationPeak>(61.5f));
        doc.GetResultWindow()->PostMessage(Result<EResultCode::Power1s>(2.5f));
    });
    analyser.join();
    EXPECT_EQ(window.Queue().Size(), 2u);
    alarm->m_bActive = 1;
    doc.UpdateAllViews(nullptr, HINT_ALARM_STATE, alarm);
    doc.UpdateAllViews(nullptr, HINT_TIMER_TICK);
    const std::string text = scrape();
    EXPECT_TRUE(Has(text, "\ntavik_deviation_peak_khz 61.5\n"));
    EXPECT_TRUE(Has(text, "\ntavik_mpx_power_1s_dbr 2.5\n"));
    EXPECT_TRUE(Has(text, "\ntavik_alarm_active{alarm=\"Dev\"} 1\n"));
    EXPECT_TRUE(Has(text, "\ntavik_alarm_activations_total{alarm=\"Dev\"} 1\n"));
    EXPECT_TRUE(Has(text, "\ntavik_deviation_blocks_total 1\n"));
    EXPECT_TRUE(Has(text, "\ntavik_last_result_timestamp_seconds "));
    // The next second has no peak of its own yet.
    doc.UpdateAllViews(nullptr, HINT_TIMER_TICK);
    EXPECT_FALSE(Has(scrape(), "tavik_deviation_peak_khz"));
}

// `tavik monitor` under systemd, ten times faster than real time.
std::string Monitor(const std::string& options) {
    return std::string(TAVIK_EXECUTABLE) + " monitor '" + CKnownRecording::Get().Folder() +
           "' --speed 10 " + options;
}

// JOURNAL_STREAM names the device and inode of the stream the journal reads: lines written
// there begin with their priority, and only there. --quiet leaves out the status lines only.
TEST(Service, QuietLinesForTheJournalCarryTheirPriority) {
    const CTempFolder folder;
    const std::string file = folder.File("journal.txt");
    const struct {
        const char* stream;  // JOURNAL_STREAM; "FILE" is the output file's own
        const char* expected;
    } cases[] = {
        {"FILE",
         "<4>monitor: --enable-alarms: no setup was given (--setup FILE.tvk), so there are no "
         "alarms to enable\n"
         "<6>Monitoring 106.70 MHz for 1 s; SIGINT or SIGTERM stops\n"
         "<6>Stopped after 00:00:01\n"},
        {"1:1",
         "monitor: --enable-alarms: no setup was given (--setup FILE.tvk), so there are no alarms "
         "to enable\n"
         "Monitoring 106.70 MHz for 1 s; SIGINT or SIGTERM stops\n"
         "Stopped after 00:00:01\n"},
    };
    for (const auto& c : cases) {
        const std::string stream =
            std::string(c.stream) == "FILE" ? "$(stat -c %d:%i '" + file + "')" : c.stream;
        const test::CShellRun run = Shell(": > '" + file + "'; JOURNAL_STREAM=" + stream + " " +
                                          Monitor("--seconds 1 --quiet --enable-alarms >> '" +
                                                  file + "' 2>&1; cat '" + file + "'"));
        EXPECT_EQ(test::WithoutDropNotices(run.out), c.expected) << c.stream;
    }
    // A failure is an error.
    const test::CShellRun failed =
        Shell(": > '" + file + "'; JOURNAL_STREAM=$(stat -c %d:%i '" + file + "') " +
              std::string(TAVIK_EXECUTABLE) + " monitor '" + folder.Path() + "/none' >> '" + file +
              "' 2>&1; head -c 3 '" + file + "'; echo; grep -c '^<3>monitor: ' '" + file + "'");
    EXPECT_EQ(failed.out.substr(0, 4), "<6>\n");
    EXPECT_NE(failed.out.substr(4), "0\n");
    // Each line of the failure is an error, the continuation lines of its text too.
    const test::CShellRun others = Shell("grep -v '^<[36]>' '" + file + "'");
    EXPECT_EQ(others.out, "");
}

// Every line of a text carries its priority for the journal, continuation lines of a device
// error's call chain too; on a console the texts stay as they are.
TEST(Service, EveryLineOfATextCarriesItsJournalPriority) {
    enum class EKind { Box, Error, Notice };
    const std::string deviceError =
        "The receiver does not answer.\nStartADC(): bulk read failed\nOnMeasurementStart(): \n";
    const struct {
        bool journal;
        EKind kind;
        std::string text;
        const char* expected;
    } cases[] = {
        {true, EKind::Error, "cannot serve the metrics on 127.0.0.1:9101: Address already in use",
         "<3>monitor: cannot serve the metrics on 127.0.0.1:9101: Address already in use\n"},
        {true, EKind::Box, deviceError,
         "<3>monitor: The receiver does not answer.\n<3>StartADC(): bulk read failed\n"
         "<3>OnMeasurementStart(): \n"},
        {true, EKind::Notice, "Reception: no samples from the receiver\n\r\n",
         "<4>monitor: Reception: no samples from the receiver\n"},
        {true, EKind::Notice, "Reception: samples from the receiver again",
         "<4>monitor: Reception: samples from the receiver again\n"},
        {true, EKind::Notice, "Dropped analyser blocks: 12 since the start",
         "<4>monitor: Dropped analyser blocks: 12 since the start\n"},
        {true, EKind::Error, "", "<3>monitor: \n"},
        {false, EKind::Box, deviceError,
         "monitor: The receiver does not answer.\nStartADC(): bulk read failed\n"
         "OnMeasurementStart(): \n"},
        {false, EKind::Notice, "Reception: no samples from the receiver",
         "monitor: Reception: no samples from the receiver\n"},
    };
    for (const auto& c : cases) {
        std::ostringstream err;
        CHeadlessPrompt prompt(err, c.journal);
        switch (c.kind) {
            case EKind::Box:
                EXPECT_EQ(prompt.MessageBox(c.text, 292), IDNO);
                break;
            case EKind::Error:
                prompt.Error(c.text);
                break;
            case EKind::Notice:
                prompt.Notice(c.text);
                break;
        }
        EXPECT_EQ(err.str(), c.expected) << c.text;
    }
}

// A port that is taken ends the monitor at once with 1, its cause an error for the journal.
TEST(Service, AMetricsPortInUseIsAnErrorForTheJournal) {
    const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(taken, reinterpret_cast<const sockaddr*>(&address), size), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string port = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const CTempFolder folder;
    const std::string file = folder.File("journal.txt");
    const test::CShellRun run = Shell(
        ": > '" + file + "'; JOURNAL_STREAM=$(stat -c %d:%i '" + file + "') " +
        Monitor("--metrics " + port + " >> '" + file + "' 2>&1; echo $?; cat '" + file + "'"));
    ::close(taken);
    EXPECT_EQ(run.out,
              "1\n<3>monitor: cannot serve the metrics on " + port + ": Address already in use\n");
}

// Only a second that brought results feeds the watchdog; readiness comes with the first second
// either way.
TEST(Service, OnlySecondsWithResultsFeedTheWatchdog) {
    const CTempFolder folder;
    const test::CNotifySocket socket(folder.File("notify"));
    ASSERT_TRUE(socket.IsBound());
    ::setenv("NOTIFY_SOCKET", folder.File("notify").c_str(), 1);
    CServiceNotifier notifier;
    notifier.Measured("1", false);
    notifier.Measured("2", true);
    notifier.Measured("3", false);
    notifier.Stopping();
    ::unsetenv("NOTIFY_SOCKET");
    notifier.Measured("4", true);  // not under systemd: nothing
    EXPECT_EQ(socket.Received(),
              (std::vector<std::string>{"READY=1\nSTATUS=1", "WATCHDOG=1\nSTATUS=2", "STATUS=3",
                                        "STOPPING=1"}));
}

// NOTIFY_SOCKET: READY=1 with the first measured second, WATCHDOG=1 with every second,
// STOPPING=1 at the end.
TEST(Service, TellsSystemdWhenReadyAndEverySecondAfter) {
    const CTempFolder folder;
    const std::string path = folder.File("notify");
    const test::CNotifySocket socket(path);
    ASSERT_TRUE(socket.IsBound());
    const test::CShellRun run =
        Shell("NOTIFY_SOCKET='" + path + "' " + Monitor("--seconds 3 --quiet 2>&1"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    const std::vector<std::string> messages = socket.Received();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], "READY=1\nWATCHDOG=1\nSTATUS=Measured 00:00:01 at 106.70 MHz");
    EXPECT_EQ(messages[1], "WATCHDOG=1\nSTATUS=Measured 00:00:02 at 106.70 MHz");
    EXPECT_EQ(messages[2], "WATCHDOG=1\nSTATUS=Measured 00:00:03 at 106.70 MHz");
    EXPECT_EQ(messages[3], "STOPPING=1");
}

// A live receiver that cannot be reached: the loop runs (READY=1) and feeds the watchdog while
// the device reconnects, so that systemd does not restart a monitor over a link down. The cause
// reaches the console once however often it repeats, and a run that measured nothing ends with
// it as an error, with 1 and without words about recordings.
TEST(Service, AReceiverThatIsDownFeedsTheWatchdogAndEndsInAnError) {
    const CTempFolder folder;
    const std::string path = folder.File("notify");
    const test::CNotifySocket socket(path);
    ASSERT_TRUE(socket.IsBound());
    test::CRtlTcpServer server(std::vector<std::uint8_t>{}, 0.0);
    server.Stop();  // its port now refuses
    const std::string address = "127.0.0.1:" + std::to_string(server.Port());
    const std::string cause = "cannot connect to " + address + ": Connection refused";
    const test::CShellRun run =
        Shell("NOTIFY_SOCKET='" + path + "' " + TAVIK_EXECUTABLE +
              " monitor --receiver rtltcp:" + address + " --seconds 3 --speed 10 --quiet 2>&1");
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "monitor: Receiver: " + cause + "; reconnecting\n")) << run.out;
    EXPECT_EQ(run.out.find("reconnecting"), run.out.rfind("reconnecting")) << run.out;
    EXPECT_TRUE(
        Has(run.out, "monitor: nothing was measured from rtltcp:" + address + ": " + cause + "\n"))
        << run.out;
    EXPECT_FALSE(Has(run.out, "recording")) << run.out;
    const std::vector<std::string> messages = socket.Received();
    ASSERT_EQ(messages.size(), 4u);
    const std::string status = " at 106.70 MHz; receiver: " + cause + "; reconnecting";
    EXPECT_EQ(messages[0].rfind("READY=1\nWATCHDOG=1\nSTATUS=Measured 00:00:01 at 106.70 MHz; "
                                "receiver: ",
                                0),
              0u)
        << messages[0];
    EXPECT_EQ(messages[1], "WATCHDOG=1\nSTATUS=Measured 00:00:02" + status);
    EXPECT_EQ(messages[2], "WATCHDOG=1\nSTATUS=Measured 00:00:03" + status);
    EXPECT_EQ(messages[3], "STOPPING=1");
}

}  // namespace
}  // namespace tavik

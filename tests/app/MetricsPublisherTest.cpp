#include "app/MetricsPublisher.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "alarms/AlarmItem.h"
#include "app/GuiMetrics.h"
#include "platform/MessageQueue.h"

#include "app/MonitorValues.h"
#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"
#include "tests/app/AppTestSupport.h"

namespace tavik {
namespace {

using test::Result;

std::shared_ptr<CMultipathResult> Fit(bool accepted, int status, float level, float multipath) {
    auto fit = std::make_shared<CMultipathResult>();
    if (accepted) {
        fit->m_slope = {multipath};
    }
    fit->m_fMultipath = multipath;
    fit->m_fLevel = level;
    fit->m_nStatus = status;
    return fit;
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
            Result<EResultCode::Multipath>(Fit(f.accepted, f.status, f.level, f.multipath)));
        s = CMetricsPublisher::Build(doc, values, alarms);
        EXPECT_EQ(s.ituDeviation, f.deviation) << f.status << " " << f.level;
        EXPECT_EQ(s.ituRfLevel, f.level54) << f.status << " " << f.level;
        EXPECT_EQ(s.ituMultipath, f.multipath2) << f.status << " " << f.level;
        EXPECT_EQ(s.rfLevel.has_value(), f.accepted);
    }

    values.Take(Result<EResultCode::DeviationPeak>(48.25f));
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
    EXPECT_EQ(s.deviationPeak, 51.5f);  // the second's largest
    EXPECT_EQ(s.deviationMax, 77.0f);
    EXPECT_EQ(s.power1s, 2.5f);
    EXPECT_EQ(s.power60s, -0.5f);  // newest first
    EXPECT_EQ(s.strPI, "D313");
    EXPECT_EQ(s.strPS, "M\xC3\x84NCHEN");  // UTF-8, without the padding
    EXPECT_EQ(s.rdsErrorRatio, 0.015f);
    EXPECT_EQ(s.nDeviceErrors, 2u);
}

// The body of GET /metrics on 127.0.0.1:port.
std::string Scrape(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET /metrics HTTP/1.1\r\nConnection: close\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            response.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    const std::size_t body = response.find("\r\n\r\n");
    return body == std::string::npos ? std::string() : response.substr(body + 4);
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
    EXPECT_EQ(Scrape(port).find("tavik_deviation_peak_khz"), std::string::npos);

    std::thread analyser([&doc] {
        doc.GetResultWindow()->PostMessage(Result<EResultCode::DeviationPeak>(61.5f));
        doc.GetResultWindow()->PostMessage(Result<EResultCode::Power1s>(2.5f));
    });
    analyser.join();
    EXPECT_EQ(window.Queue().Size(), 2u);
    alarm->m_bActive = 1;
    doc.UpdateAllViews(nullptr, HINT_ALARM_STATE, alarm);
    doc.UpdateAllViews(nullptr, HINT_TIMER_TICK);
    const std::string text = Scrape(port);
    EXPECT_NE(text.find("\ntavik_deviation_peak_khz 61.5\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\ntavik_mpx_power_1s_dbr 2.5\n"), std::string::npos);
    EXPECT_NE(text.find("\ntavik_alarm_active{alarm=\"Dev\"} 1\n"), std::string::npos);
    EXPECT_NE(text.find("\ntavik_alarm_activations_total{alarm=\"Dev\"} 1\n"), std::string::npos);
    // The next second has no peak of its own yet.
    doc.UpdateAllViews(nullptr, HINT_TIMER_TICK);
    EXPECT_EQ(Scrape(port).find("tavik_deviation_peak_khz"), std::string::npos);
}

}  // namespace
}  // namespace tavik

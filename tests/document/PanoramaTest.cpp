#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/document/RecordingLink.h"
#include "tests/support/RtlTcpServer.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

using test::CRecordingLink;

// Collects the scan's calls; they come from the scan thread.
class CTestPanoramaView : public CPanoramaView {
public:
    struct Point {
        float frequency;
        float level;
        int count;
    };
    void AddPanoramaPoint(const float* frequencies, const float* levels, int count) override {
        if (bThrow) {
            throw std::runtime_error("view gone");
        }
        std::lock_guard lock(m_mutex);
        m_points.push_back({frequencies[count - 1], levels[count - 1], count});
    }
    void OnScanFinished() override { ++m_nFinished; }
    std::vector<Point> Points() const {
        std::lock_guard lock(m_mutex);
        return m_points;
    }
    int Finished() const { return m_nFinished.load(); }
    std::atomic<bool> bThrow{false};

private:
    mutable std::mutex m_mutex;
    std::vector<Point> m_points;
    std::atomic<int> m_nFinished{0};
};

struct PanoramaFixture : test::CDocumentFixture {
    PanoramaFixture() {
        doc->GetDevice().SetDataFolder(folder.Path());
        doc->GetDevice().SetPacers(nullptr, nullptr, &fast);
        doc->SetPanoramaPacer(&fast);
    }
    ~PanoramaFixture() override {
        doc->StopPanoramaScan();
        EXPECT_TRUE(doc->WaitForPanoramaScan(std::chrono::seconds(10)));
        doc.reset();  // before the pacer it uses
    }
    // Every 1044 notice up to and including the final (2, 1), with a bounded wait.
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> Notices() {
        std::vector<std::pair<std::uintptr_t, std::intptr_t>> out;
        CMessage message;
        while (window.Queue().GetMessageFor(message, std::chrono::seconds(10)) == 1) {
            EXPECT_EQ(message.message, WM_PANORAMA_NOTICE);
            out.emplace_back(message.wParam, message.lParam);
            if (message.wParam == 2 && message.lParam == 1) {
                break;
            }
        }
        EXPECT_TRUE(doc->WaitForPanoramaScan(std::chrono::seconds(10)));
        return out;
    }
    // A panorama recording of `count` readings, reading i = 100 * i - 20000.
    void WriteRecording(int count) {
        std::vector<std::int16_t> samples;
        for (int i = 0; i < count; ++i) {
            samples.push_back(static_cast<std::int16_t>(100 * i - 20000));
        }
        folder.Write("panormama.dat", test::Samples16(samples));
    }
    // The mean of 32 equal readings, summed in single precision.
    static float LevelOf(int index) {
        const float reading = CTavikControl::ScaleLevel(static_cast<float>(100 * index - 20000));
        float sum = 0.0f;
        for (int i = 0; i < 32; ++i) {
            sum += reading;
        }
        return sum / 32.0f;
    }

    CRealTimePacer fast{1000.0};  // 40 ms waits take 40 us
    CTestPanoramaView scan;
};

using Notice = std::pair<std::uintptr_t, std::intptr_t>;

TEST_F(PanoramaFixture, PointsFollowTheTunerInFloatSteps) {
    WriteRecording(100);
    ASSERT_TRUE(doc->StartPanoramaScan(87.5f, 98.0f, 40, 0.025f, &scan, &window));
    EXPECT_EQ(view.TakeHints(), std::vector<long>{HINT_SCAN_STARTED});
    EXPECT_EQ(Notices(), (std::vector<Notice>{{2, 1}}));

    const auto points = scan.Points();
    ASSERT_EQ(points.size(), 40u);
    ASSERT_EQ(doc->GetPanoramaIndex(), 40);
    float frequency = 87.5f;
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(points[i].count, i + 1);
        EXPECT_EQ(points[i].frequency, frequency) << i;
        EXPECT_EQ(doc->GetPanoramaFrequencies()[i], frequency) << i;
        EXPECT_EQ(points[i].level, LevelOf(i)) << i;
        EXPECT_EQ(doc->GetPanoramaLevels()[i], LevelOf(i)) << i;
        frequency += 0.025f;
    }
    EXPECT_EQ(scan.Finished(), 1);
    EXPECT_FALSE(doc->IsPanoramaRunning());
    EXPECT_FALSE(doc->GetDevice().IsOpen());
    EXPECT_EQ(doc->GetDevice().GetTunerFrequency(), 98.0f);
    EXPECT_EQ(doc->GetTunerFrequency(), 98.0f);
    doc->SendPanoramaHint();
    EXPECT_EQ(view.TakeHints(), std::vector<long>{HINT_SCAN_ENDED});
}

TEST_F(PanoramaFixture, ZeroStepsTunesToTheStartAndBack) {
    CRecordingLink link;
    doc->GetDevice().SetLink(&link);
    ASSERT_TRUE(doc->StartPanoramaScan(88.0f, 101.0f, 0, 0.025f, &scan, &window));
    EXPECT_EQ(Notices(), (std::vector<Notice>{{2, 1}}));
    EXPECT_TRUE(scan.Points().empty());
    EXPECT_EQ(scan.Finished(), 1);
    EXPECT_EQ(link.Commands(), (std::vector<std::vector<std::uint8_t>>{
                                   {CMD_SOF, 0},
                                   CRecordingLink::Tune(88.0f),
                                   CRecordingLink::Tune(101.0f),
                                   {CMD_SOF, 1},
                               }));
    EXPECT_FALSE(doc->IsPanoramaRunning());
}

TEST_F(PanoramaFixture, StopEndsBeforeTheNextPointAndRestores) {
    CSteppedPacer stepped;
    doc->GetDevice().SetPacers(nullptr, nullptr, &stepped);
    doc->SetPanoramaPacer(&stepped);
    CRecordingLink link;
    link.panoramaRaw = 1000;
    doc->GetDevice().SetLink(&link);
    ASSERT_TRUE(doc->StartPanoramaScan(90.0f, 95.5f, 100, 0.1f, &scan, &window));
    EXPECT_TRUE(doc->IsPanoramaRunning());
    ASSERT_TRUE(stepped.WaitUntilIdle());  // in the 100 ms settling wait
    for (int i = 0; i < 4; ++i) {
        stepped.Step();  // settling wait, then three points
        ASSERT_TRUE(stepped.WaitUntilIdle());
    }
    // The fourth point is in its reading; it completes, then the scan ends.
    doc->StopPanoramaScan();
    EXPECT_FALSE(doc->IsPanoramaRunning());
    doc->SendPanoramaHint();
    stepped.Step();
    EXPECT_EQ(Notices(), (std::vector<Notice>{{2, 1}}));
    EXPECT_EQ(scan.Points().size(), 4u);
    EXPECT_EQ(doc->GetPanoramaIndex(), 4);
    EXPECT_EQ(scan.Finished(), 1);
    const auto settings = link.Settings();
    ASSERT_GE(settings.size(), 2u);
    EXPECT_EQ(settings[settings.size() - 2], CRecordingLink::Tune(95.5f));
    EXPECT_EQ(settings.back(), (std::vector<std::uint8_t>{CMD_SOF, 1}));
    EXPECT_EQ(doc->GetDevice().GetTunerFrequency(), 95.5f);
    EXPECT_FALSE(doc->GetDevice().IsOpen());
    EXPECT_EQ(view.TakeHints(), (std::vector<long>{HINT_SCAN_STARTED, HINT_SCAN_ENDED}));
}

// A live receiver's point waits for samples (here from a server that sends none); a stop ends
// that wait at once, takes no point from it and is no error.
TEST_F(PanoramaFixture, StopEndsALiveReceiversWaitingPoint) {
    test::CRtlTcpServer server({}, 0.0, test::CRtlTcpServer::EMode::Stall);
    test::CTempFolder store;
    doc->GetDevice().SetLiveSource(CLiveSourceSettings::FromName(server.ReceiverName()),
                                   store.Path());
    ASSERT_TRUE(doc->StartPanoramaScan(98.0f, 98.0f, 5, 0.1f, &scan, &window));
    while (server.Connections() == 0) {
        std::this_thread::yield();
    }
    doc->StopPanoramaScan();
    EXPECT_TRUE(doc->WaitForPanoramaScan(std::chrono::seconds(1)));  // the stall limit is 3 s
    EXPECT_EQ(Notices(), (std::vector<Notice>{{2, 1}}));
    EXPECT_EQ(scan.Points().size(), 0u);
}

TEST_F(PanoramaFixture, FrequencyBeyondTheRecordingEndsWithTheErrorNotice) {
    WriteRecording(10);
    ASSERT_TRUE(doc->StartPanoramaScan(87.5f, 98.0f, 20, 0.025f, &scan, &window));
    EXPECT_EQ(Notices(), (std::vector<Notice>{{1, 0}, {2, 1}}));
    EXPECT_EQ(scan.Points().size(), 10u);
    EXPECT_EQ(doc->GetPanoramaIndex(), 10);
    EXPECT_EQ(scan.Finished(), 0);  // no normal end
    EXPECT_FALSE(doc->GetDevice().IsOpen());
    EXPECT_NE(doc->GetDevice().GetTunerFrequency(), 98.0f);  // not restored after an error
    // The flag is cleared on the error path: the hint reports the scan as ended.
    EXPECT_FALSE(doc->IsPanoramaRunning());
    view.Take();
    doc->SendPanoramaHint();
    EXPECT_EQ(view.TakeHints(), std::vector<long>{HINT_SCAN_ENDED});

    // Any other exception ends the scan as a document error, not the process.
    scan.bThrow.store(true);
    ASSERT_TRUE(doc->StartPanoramaScan(87.5f, 98.0f, 20, 0.025f, &scan, &window));
    EXPECT_EQ(Notices(), (std::vector<Notice>{{EXC_DOCUMENT, 0}, {2, 1}}));
    EXPECT_FALSE(doc->IsPanoramaRunning());
    scan.bThrow.store(false);

    // Without the recording the scan fails before the first point.
    std::remove(folder.File("panormama.dat").c_str());
    ASSERT_TRUE(doc->StartPanoramaScan(87.5f, 98.0f, 20, 0.025f, &scan, &window));
    EXPECT_EQ(Notices(), (std::vector<Notice>{{1, 0}, {2, 1}}));
    EXPECT_EQ(doc->GetPanoramaIndex(), 0);
    EXPECT_FALSE(doc->IsPanoramaRunning());
}

TEST_F(PanoramaFixture, ScanIsBoundedByTheArraysAndARestartEndsTheOldScan) {
    CRecordingLink link;
    doc->GetDevice().SetLink(&link);
    ASSERT_TRUE(doc->StartPanoramaScan(87.5f, 98.0f, 1200, 0.01f, &scan, &window));
    EXPECT_EQ(Notices(), (std::vector<Notice>{{2, 1}}));
    EXPECT_EQ(doc->GetPanoramaIndex(), CTAVIKSDIDoc::kPanoramaPoints);
    EXPECT_EQ(scan.Points().size(), 1000u);

    // A new start while a scan runs ends the old one first.
    ASSERT_TRUE(doc->StartPanoramaScan(87.5f, 98.0f, 1000, 0.01f, &scan, &window));
    ASSERT_TRUE(doc->StartPanoramaScan(88.5f, 98.0f, 3, 0.01f, &scan, &window));
    EXPECT_EQ(Notices(), (std::vector<Notice>{{2, 1}}));  // the old scan's end
    EXPECT_EQ(Notices(), (std::vector<Notice>{{2, 1}}));
    EXPECT_EQ(doc->GetPanoramaIndex(), 3);
    EXPECT_EQ(doc->GetPanoramaFrequencies()[0], 88.5f);
}

TEST_F(PanoramaFixture, DocumentEndsARunningScan) {
    CRecordingLink link;
    doc->GetDevice().SetLink(&link);
    ASSERT_TRUE(doc->StartPanoramaScan(87.5f, 98.0f, 1000, 0.01f, &scan, &window));
    doc.reset();  // stops and waits; the view is called no more
    EXPECT_LT(scan.Points().size(), 1000u);
    EXPECT_EQ(scan.Finished(), 0);
    doc = std::make_unique<CTAVIKSDIDoc>();
}

}  // namespace
}  // namespace tavik

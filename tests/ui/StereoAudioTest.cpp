// The stereo and audio page (readings texts, meters), listening (the ring between the analysis
// and the audio output, the Listen action) and the window's evidence clips.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMediaDevices>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>

#include "charts/PpmMeter.h"
#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CommandIds.h"
#include "ui/DataView.h"
#include "ui/MainFrame.h"
#include "ui/MeasurementPages.h"
#include "ui/MpxReadingsText.h"
#include "ui/ProgrammePlayer.h"
#include "ui/SampleRing.h"
#include "ui/StereoAudioView.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TAVIKSDIView.h"
#include "ui/WindowEvidence.h"

namespace tavik {
namespace {

const QString kDash = QStringLiteral("\u2014");

CMpxReadings Readings(std::optional<float> pilot, std::optional<float> error,
                      std::optional<float> rds, float balance, bool silence, int quiet) {
    CMpxReadings r;
    r.pilotKhz = pilot;
    r.pilotErrorHz = error;
    r.rdsKhz = rds;
    r.balanceDb = balance;
    r.silence = silence;
    r.quietSeconds = quiet;
    return r;
}

TEST(MpxReadingsTextTest, FieldsForReadingsWithAndWithoutPilotRdsAndSilence) {
    const struct {
        std::optional<CMpxReadings> readings;
        const char* pilot;
        const char* error;
        const char* rds;
        const char* balance;
        const char* silence;
        bool bSilence;
    } cases[] = {
        {Readings(6.84f, 0.36f, 3.52f, 1.54f, false, 3), "6.8 kHz", "+0.4 Hz", "3.5 kHz", "+1.5 dB",
         "quiet 3 s", false},
        {Readings(std::nullopt, std::nullopt, std::nullopt, -0.04f, true, 12), "no pilot", "",
         "no RDS", "0.0 dB", "SILENCE 12 s", true},
        // One decimal below 10 kHz, decided on the rounded value; none from 10 kHz on.
        {Readings(9.96f, -2.0f, 9.94f, -3.0f, false, 0), "10 kHz", "-2.0 Hz", "9.9 kHz", "-3.0 dB",
         "quiet 0 s", false},
        {Readings(12.4f, std::nullopt, 0.6f, 0.0f, false, 9), "12 kHz", "", "0.6 kHz", "0.0 dB",
         "quiet 9 s", false},
        {std::nullopt, "", "", "", "", "", false},
    };
    const auto text = [](const char* s) { return *s == '\0' ? kDash : QString::fromUtf8(s); };
    for (const auto& c : cases) {
        const SMpxReadingTexts t = FormatMpxReadings(c.readings);
        EXPECT_EQ(t.strPilot, text(c.pilot)) << c.pilot;
        EXPECT_EQ(t.strPilotError, text(c.error)) << c.pilot;
        EXPECT_EQ(t.strRds, text(c.rds)) << c.pilot;
        EXPECT_EQ(t.strBalance, text(c.balance)) << c.pilot;
        EXPECT_EQ(t.strSilence, text(c.silence)) << c.pilot;
        EXPECT_EQ(t.bSilence, c.bSilence) << c.pilot;
    }
}

// Readings reach the page through the data view's routing; a stop returns it to "—".
TEST(StereoAudioViewTest, ShowsEachSecondsReadingsAndForgetsThemOnTheStop) {
    CRecordingPrompt prompt;
    CTAVIKSDIDoc doc;
    doc.SetPrompt(&prompt);
    CStereoAudioView view(doc, nullptr);
    EXPECT_EQ(PageForResultCode(EResultCode::MpxReadings), PAGE_STEREO);
    for (const QLabel* field : {&view.GetPilotText(), &view.GetPilotErrorText(), &view.GetRdsText(),
                                &view.GetBalanceText(), &view.GetSilenceText()}) {
        EXPECT_EQ(field->text(), kDash);
        EXPECT_FALSE(field->toolTip().isEmpty());
    }
    EXPECT_TRUE(view.GetPilotText().toolTip().contains(QStringLiteral("kHz")));
    EXPECT_TRUE(view.GetPilotErrorText().toolTip().contains(QStringLiteral("Hz")));
    EXPECT_TRUE(view.GetBalanceText().toolTip().contains(QStringLiteral("dB")));

    CMpxReadings r = Readings(6.8f, 0.1f, std::nullopt, 0.5f, true, 15);
    r.leftDb = -3.5f;
    r.leftHoldDb = -1.0f;
    r.stereoDb = -95.0f;
    view.OnResult(CAnalyserResult::Make<EResultCode::MpxReadings>(r));
    EXPECT_EQ(view.GetPilotText().text(), QStringLiteral("6.8 kHz"));
    EXPECT_EQ(view.GetRdsText().text(), QStringLiteral("no RDS"));
    EXPECT_EQ(view.GetSilenceText().text(), QStringLiteral("SILENCE 15 s"));
    EXPECT_TRUE(view.GetSilenceText().styleSheet().contains(QStringLiteral("rgb(210, 0, 0)")));
    const CPpmMeter::SChannel& left = view.GetMeter().GetChannel(0);
    EXPECT_EQ(left.strName, QStringLiteral("L"));
    EXPECT_EQ(left.fLevelDb, -3.5f);
    EXPECT_EQ(left.fHoldDb, -1.0f);
    EXPECT_EQ(CPpmMeter::ReadingText(left), QStringLiteral("-3.5 dB"));
    EXPECT_EQ(view.GetMeter().GetChannel(3).strName, QStringLiteral("S"));

    view.OnUpdate(nullptr, HINT_MEASUREMENT_STOPPED, nullptr);
    EXPECT_EQ(view.GetPilotText().text(), kDash);
    EXPECT_EQ(view.GetSilenceText().text(), kDash);
    EXPECT_FALSE(view.GetSilenceText().styleSheet().contains(QStringLiteral("rgb(210, 0, 0)")));
    EXPECT_EQ(CPpmMeter::ReadingText(view.GetMeter().GetChannel(0)), kDash);
}

TEST(SampleRingTest, DropsTheNewestWhenFullAndReadsSilenceWhenEmpty) {
    CSampleRing<std::uint32_t> ring(4);
    const std::uint32_t first[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ring.Write(first, 6), 4u);
    EXPECT_EQ(ring.Dropped(), 2u);
    std::uint32_t out[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(ring.Read(out, 6), 4u);
    EXPECT_EQ(std::vector<std::uint32_t>(out, out + 6),
              (std::vector<std::uint32_t>{1, 2, 3, 4, 0, 0}));
    EXPECT_EQ(ring.Missing(), 2u);
    // Across the end of the storage.
    const std::uint32_t second[] = {7, 8, 9, 10, 11};
    EXPECT_EQ(ring.Write(second, 2), 2u);
    EXPECT_EQ(ring.Read(out, 1), 1u);
    EXPECT_EQ(out[0], 7u);
    EXPECT_EQ(ring.Write(second + 2, 3), 3u);
    EXPECT_EQ(ring.Size(), 4u);
    EXPECT_EQ(ring.Read(out, 4), 4u);
    EXPECT_EQ(std::vector<std::uint32_t>(out, out + 4), (std::vector<std::uint32_t>{8, 9, 10, 11}));
    EXPECT_EQ(ring.Dropped(), 2u);
    EXPECT_EQ(ring.Missing(), 2u);
}

// A producer thread and a reader: what arrives keeps its order, and every element either
// arrives or is counted as dropped.
TEST(SampleRingTest, KeepsTheOrderAcrossThreadsAndCountsEveryDrop) {
    constexpr std::uint32_t kTotal = 200000;
    CSampleRing<std::uint32_t> ring(256);
    std::atomic<bool> done{false};
    std::thread producer([&] {
        std::vector<std::uint32_t> chunk(97);
        std::uint32_t next = 1;
        for (int n = 1; next <= kTotal; n = n % 97 + 1) {
            const auto count =
                std::min<std::uint32_t>(static_cast<std::uint32_t>(n), kTotal - next + 1);
            for (std::uint32_t i = 0; i < count; ++i) {
                chunk[i] = next++;
            }
            ring.Write(chunk.data(), count);
            if (n % 13 == 0) {
                std::this_thread::yield();
            }
        }
        done.store(true);
    });
    std::vector<std::uint32_t> buffer(61);
    std::uint64_t received = 0;
    std::uint64_t silent = 0;
    std::uint32_t last = 0;
    bool ordered = true;
    for (int n = 1;; n = n % 61 + 1) {
        const bool finished = done.load();
        const std::size_t given = ring.Read(buffer.data(), static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
            if (i < given) {
                ordered = ordered && buffer[i] > last;
                last = buffer[i];
            } else {
                ordered = ordered && buffer[i] == 0;  // silence fills the rest
                ++silent;
            }
        }
        received += given;
        if (finished && ring.Size() == 0) {
            break;
        }
    }
    producer.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(received + ring.Dropped(), kTotal);
    EXPECT_EQ(silent, ring.Missing());
}

// The decoded programme in, 48 kHz frames out of the audio device's side: 25 inputs make 24
// frames, full modulation is full scale, and beyond half a second the newest is dropped.
TEST(ProgrammePlayerTest, ResamplesIntoTheRingAndTheDeviceReadsSilenceAfterIt) {
    CRecordingPrompt prompt;
    CTAVIKSDIDoc doc;
    doc.SetPrompt(&prompt);
    CProgrammePlayer player(doc.GetMpxLevels());
    EXPECT_EQ(player.Start(QAudioDevice()), QString::fromLatin1(CProgrammePlayer::kNoDevice));
    EXPECT_FALSE(player.IsPlaying());

    const std::vector<float> half(30000, 0.5f * CMpxLevels::FullScale());
    const std::vector<float> zero(30000, 0.0f);
    player.OnProgramme(half.data(), zero.data(), 5000);
    EXPECT_EQ(player.GetRing().Size(), 4800u);
    player.OnProgramme(half.data(), zero.data(), 25000);
    EXPECT_EQ(player.GetRing().Size(), static_cast<std::size_t>(CProgrammePlayer::kRingFrames));
    EXPECT_EQ(player.GetRing().Dropped(), 4800u);

    // The device side: silence until two frames wait, then the frames and silence after them;
    // having run dry it waits for two again.
    CSampleRing<SStereoFrame> ring(8);
    CRingDevice device(ring, 2);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    const auto read = [&device](qint64 bytes) {
        const QByteArray got = device.read(bytes);
        std::vector<std::int16_t> pcm(static_cast<std::size_t>(got.size()) / 2);
        std::memcpy(pcm.data(), got.data(), pcm.size() * 2);
        return pcm;
    };
    const SStereoFrame frames[] = {{100, -100}, {200, -200}, {300, -300}};
    ring.Write(frames, 1);
    EXPECT_EQ(read(4), (std::vector<std::int16_t>{0, 0}));
    EXPECT_EQ(ring.Size(), 1u);  // kept for later
    ring.Write(frames + 1, 1);
    EXPECT_EQ(read(4 * 3 + 2), (std::vector<std::int16_t>{100, -100, 200, -200, 0, 0}));
    ring.Write(frames + 2, 1);
    EXPECT_EQ(read(4), (std::vector<std::int16_t>{0, 0}));
    ring.Write(frames, 1);
    EXPECT_EQ(read(8), (std::vector<std::int16_t>{300, -300, 100, -100}));
}

// Offscreen there is no audio output: Listen unchecks itself at once, the status bar says why,
// and the measurement is not touched. The page's button is the same action.
TEST(ListenTest, WithoutAnAudioDeviceListenUnchecksItselfAndSaysWhy) {
    CRecordingPrompt prompt;
    CTAVIKSDIApp app(&prompt);
    ASSERT_TRUE(app.InitInstance({}));
    QCoreApplication::processEvents();
    CMainFrame& frame = app.GetMainFrame();
    QAction* listen = frame.GetAction(ID_LISTEN);
    ASSERT_NE(listen, nullptr);
    EXPECT_TRUE(listen->isCheckable());
    const auto* data = static_cast<CDataView*>(frame.GetMainView().GetItemView(ITEM_DATA));
    auto* page = static_cast<CStereoAudioView*>(data->GetMeasurementView(PAGE_STEREO));
    EXPECT_EQ(page->GetListenButton().defaultAction(), listen);
    if (!QMediaDevices::defaultAudioOutput().isNull()) {
        GTEST_SKIP() << "this machine has an audio output";
    }
    const auto began = std::chrono::steady_clock::now();
    page->GetListenButton().click();
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    EXPECT_FALSE(listen->isChecked());
    EXPECT_FALSE(page->GetListenButton().isChecked());
    EXPECT_EQ(frame.statusBar()->currentMessage(), QStringLiteral("No audio output device"));
    EXPECT_TRUE(prompt.m_boxes.empty());
}

// The clips are kept exactly while a measurement runs (a pause included) with logging on and
// the seconds above 0; the command line's seconds are this run's and shown on the page.
TEST(WindowEvidenceTest, SessionExistsExactlyWhileMeasuringWithLoggingAndSeconds) {
    test::CWorkingDirectory cwd(test::Recording());
    const struct {
        int nSeconds;
        bool bLogging;
    } cases[] = {{10, true}, {0, true}, {10, false}};
    for (const auto& c : cases) {
        test::CTempFolder logs;
        CRecordingPrompt prompt;
        CTAVIKSDIApp app(&prompt);
        SStartOptions options;
        options.evidenceSeconds = c.nSeconds;
        ASSERT_TRUE(app.InitInstance(options));
        QCoreApplication::processEvents();
        CTAVIKSDIDoc& doc = app.GetDocument();
        CWindowEvidence& evidence = app.GetMainFrame().GetEvidence();
        EXPECT_EQ(evidence.GetSettings(), (SEvidenceSettings{c.nSeconds, 500}));
        EXPECT_EQ(CWindowEvidence::RememberedSettings().nSeconds, 0);  // not kept
        const auto* spin =
            app.GetMainFrame().findChild<QSpinBox*>(QStringLiteral("evidenceSeconds"));
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(spin->value(), c.nSeconds);
        if (c.bLogging) {
            ASSERT_EQ(doc.OpenLogFilesKeeping(logs.Path()), 0);
        }
        const bool kept = c.bLogging && c.nSeconds > 0;
        const auto step = [&](auto command, bool expected, const char* what) {
            command();
            QCoreApplication::processEvents();
            EXPECT_EQ(evidence.HasSession(), expected) << what << " " << c.nSeconds << c.bLogging;
        };
        EXPECT_FALSE(evidence.HasSession());
        step([&] { doc.OnMeasurementStart(); }, kept, "start");
        ASSERT_TRUE(doc.IsRunning());
        step([&] { doc.OnMeasurementPause(); }, kept, "pause");
        step([&] { doc.OnMeasurementStart(); }, kept, "resume");
        step([&] { doc.OnMeasurementStop(); }, false, "stop");
        EXPECT_EQ(std::filesystem::is_directory(logs.Path() + "/evidence"), kept);
        EXPECT_TRUE(prompt.m_boxes.empty());
        const bool told = std::find(prompt.m_notices.begin(), prompt.m_notices.end(),
                                    kEvidenceWithoutLogging) != prompt.m_notices.end();
        EXPECT_EQ(told, c.nSeconds > 0 && !c.bLogging);
    }
}

}  // namespace
}  // namespace tavik

#include <gtest/gtest.h>
#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Registry.hpp>
#include <SoapySDR/Version.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "device/TavikControl.h"
#include "dsp/IqFormat.h"
#include "platform/GenericException.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "platform/Thread.h"
#include "rds/RDSDecoder.h"
#include "tests/support/ManualClockPacer.h"
#include "tests/support/StationIq.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

// What the fake receiver serves and what it was told.
struct CFakeState {
    std::vector<std::complex<float>> iq;  // looped
    std::atomic<double> rate{0.0};
    std::atomic<double> frequency{0.0};
    std::atomic<int> automaticGain{-1};
    std::atomic<double> correction{0.0};  // ppm
    std::atomic<int> opened{0};
    // The read on which the stream overflows (losing 4096 samples) or breaks; -1 never.
    std::atomic<int> overflowAt{-1};
    std::atomic<int> breakAt{-1};
    std::atomic<int> reads{0};
    // The activation (counted from 0) that throws, as a device gone from USB does; -1 never.
    std::atomic<int> throwingActivation{-1};
    std::atomic<int> activations{0};
    // The clock the stream's rate is held to: the samples read move it by their time at `pace`
    // times the rate, however fast they are read.
    test::CManualClockPacer clock;
    std::atomic<double> pace{1.0};
};
// Like several modules, the fake hands out whole MTUs only: a smaller read times out.
constexpr std::size_t kFakeMtu = 65536;
CFakeState g_fake;

// A SoapySDR device that streams the state's IQ with time stamps, as fast as it is read.
class CFakeDevice final : public SoapySDR::Device {
public:
    void setSampleRate(const int, const size_t, const double rate) override { g_fake.rate = rate; }
    double getSampleRate(const int, const size_t) const override { return g_fake.rate; }
    void setFrequency(const int, const size_t, const double frequency,
                      const SoapySDR::Kwargs&) override {
        g_fake.frequency = frequency;
    }
    void setFrequencyCorrection(const int, const size_t, const double ppm) override {
        g_fake.correction = ppm;
    }
    void setGainMode(const int, const size_t, const bool automatic) override {
        g_fake.automaticGain = automatic ? 1 : 0;
    }
    SoapySDR::Stream* setupStream(const int, const std::string& format, const std::vector<size_t>&,
                                  const SoapySDR::Kwargs&) override {
        if (format != SOAPY_SDR_CF32) {
            throw std::runtime_error("format " + format);
        }
        ++g_fake.opened;
        return reinterpret_cast<SoapySDR::Stream*>(this);
    }
    void closeStream(SoapySDR::Stream*) override {}
    size_t getStreamMTU(SoapySDR::Stream*) const override { return kFakeMtu; }
    int activateStream(SoapySDR::Stream*, const int, const long long, const size_t) override {
        if (g_fake.activations++ == g_fake.throwingActivation) {
            throw std::runtime_error("activateStream: LIBUSB_ERROR_NO_DEVICE");
        }
        return 0;
    }
    int readStream(SoapySDR::Stream*, void* const* buffers, const size_t count, int& flags,
                   long long& timeNs, const long) override {
        if (count < kFakeMtu) {
            return SOAPY_SDR_TIMEOUT;
        }
        const int read = g_fake.reads++;
        if (read == g_fake.breakAt) {
            return SOAPY_SDR_STREAM_ERROR;
        }
        if (read == g_fake.overflowAt) {
            m_nSample += 4096;
            Pass(4096);
            return SOAPY_SDR_OVERFLOW;
        }
        auto* out = static_cast<std::complex<float>*>(buffers[0]);
        const std::size_t n = kFakeMtu;
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = g_fake.iq[(m_nSample + i) % g_fake.iq.size()];
        }
        flags = SOAPY_SDR_HAS_TIME;
        timeNs = static_cast<long long>(static_cast<double>(m_nSample) * 1e9 / g_fake.rate);
        m_nSample += n;
        Pass(n);
        return static_cast<int>(n);
    }

private:
    void Pass(std::size_t samples) {
        m_fSeconds += static_cast<double>(samples) / (g_fake.rate * g_fake.pace);
        g_fake.clock.AdvanceTo(m_start + std::chrono::duration_cast<CPacer::Time>(
                                             std::chrono::duration<double>(m_fSeconds)));
    }

    std::size_t m_nSample = 0;
    const CPacer::Time m_start = g_fake.clock.Now();  // a device opened again goes on from here
    double m_fSeconds = 0.0;
};

const SoapySDR::Registry g_registry(
    "tavikfake",
    [](const SoapySDR::Kwargs& args) {
        SoapySDR::KwargsList found;
        if (args.count("driver") != 0 && args.at("driver") == "tavikfake") {
            found.push_back({{"driver", "tavikfake"}});
        }
        return found;
    },
    [](const SoapySDR::Kwargs&) -> SoapySDR::Device* { return new CFakeDevice; },
    SOAPY_SDR_ABI_VERSION);

// The generated station, 2 s, as the fake's IQ (once per test binary).
void LoadStation() {
    if (!g_fake.iq.empty()) {
        return;
    }
    const std::vector<std::uint8_t> bytes = test::StationIq(2.0);
    g_fake.iq.resize(bytes.size() / 2);
    ConvertIq(CIqFormat::Cu8, bytes.data(), g_fake.iq.size(), g_fake.iq.data());
}

struct CFakeRun {
    test::CTempFolder store;
    CTavikControl device;
    CQueueTarget window;
    explicit CFakeRun(const char* receiver, std::optional<double> ppm = std::nullopt,
                      ThreadId blocks = 0) {
        CLiveSourceSettings settings = *CLiveSourceSettings::FromName(receiver);
        settings.station = 106.7e6;
        settings.ppm = ppm;
        device.SetADCThreadID(blocks);
        device.SetLiveSource(settings, store.Path());
        device.SetStreamClock(&g_fake.clock);
        device.StartADCTransfer(&window);
    }
    ~CFakeRun() { device.StopTransfer(); }
    // The next reception notice (WM_TRANSFER_ERROR): its sub-ID and text; -1 when none came.
    // Waits long enough for a sanitizer build to receive the 20 s of stream a pace check takes.
    std::pair<int, std::string> NextNotice() {
        CMessage message;
        if (!window.Queue()
                 .GetMessageFor(message, 60s, WM_TRANSFER_ERROR, WM_TRANSFER_ERROR)
                 .has_value()) {
            return {-1, ""};
        }
        return {static_cast<int>(message.lParam), message.pText ? *message.pText : ""};
    }
};

// Through the fake receiver: the device is tuned 250 kHz below the station with automatic
// gain and the frequency correction given, and the RDS bits it hands out carry the station.
TEST(Soapy, FakeReceiverIsTunedAndItsStationDecoded) {
    LoadStation();
    g_fake.overflowAt = -1;
    g_fake.breakAt = -1;
    CFakeRun run("soapy:driver=tavikfake", 1.5);
    CRDSDecoder decoder;
    std::vector<std::uint8_t> chunk(500);
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (decoder.GetData().m_strPS != "TAVIK FM" && std::chrono::steady_clock::now() < limit) {
        int count = 0;
        run.device.GetRDSData(chunk.data(), count);
        if (std::any_of(chunk.begin(), chunk.begin() + count, [](auto b) { return b != 0; })) {
            decoder.Decode(chunk.data(), count);
        } else {
            std::this_thread::sleep_for(5ms);
        }
    }
    EXPECT_EQ(decoder.GetData().m_strPS, "TAVIK FM");
    EXPECT_EQ(decoder.GetData().m_strPI, "D313");
    EXPECT_EQ(g_fake.rate.load(), 1200000.0);
    EXPECT_EQ(g_fake.frequency.load(), 106450000.0);
    EXPECT_EQ(g_fake.automaticGain.load(), 1);
    EXPECT_EQ(g_fake.correction.load(), 1.5);
}

// An overflow is counted with the samples its time stamps show lost; a broken stream is a
// loss of reception after which the device is made and opened again, also when it throws on
// its first return; reception resumes with the next whole block.
TEST(Soapy, OverflowsAreCountedAndABrokenStreamReopened) {
    LoadStation();
    g_fake.reads = 0;
    g_fake.opened = 0;
    g_fake.activations = 0;
    g_fake.overflowAt = 4;
    g_fake.breakAt = 40;
    g_fake.throwingActivation = 1;
    CFakeRun run("soapy:driver=tavikfake");
    using Notice = std::pair<int, std::string>;
    EXPECT_EQ(run.NextNotice(),
              Notice(CTavikControl::SUBID_SAMPLES_DROPPED,
                     "soapy:driver=tavikfake: 1 overflows and 4096 samples lost so far"));
    EXPECT_EQ(run.NextNotice(),
              Notice(CTavikControl::SUBID_RECEPTION_LOST,
                     "soapy:driver=tavikfake: the stream broke: STREAM_ERROR; reconnecting"));
    EXPECT_EQ(run.NextNotice(),
              Notice(CTavikControl::SUBID_RECEPTION_LOST,
                     "soapy:driver=tavikfake: activateStream: LIBUSB_ERROR_NO_DEVICE; "
                     "reconnecting"));
    EXPECT_EQ(run.NextNotice(), Notice(CTavikControl::SUBID_RECEPTION_BACK,
                                       "reception from soapy:driver=tavikfake resumed"));
    EXPECT_EQ(run.device.ReceptionNotice(), "reception from soapy:driver=tavikfake resumed");
    EXPECT_EQ(g_fake.opened.load(), 3);
    g_fake.throwingActivation = -1;
}

// A stream 5 % faster than its rate (a server that plays a file faster, a device set to
// another rate) is a loss of reception told with its pace: none of its blocks is handed on
// until it keeps the rate again, which is told as the return.
TEST(Soapy, AStreamOffItsRateIsNotMeasuredUntilItKeepsIt) {
    LoadStation();
    g_fake.overflowAt = -1;
    g_fake.breakAt = -1;
    g_fake.pace = 1.05;
    std::atomic<int> blocks{0};
    CThread counter;
    counter.Start([&](CThread& self) {
        CMessage message;
        while (self.Queue().GetMessage(message, WM_QUIT, WM_ADC_BLOCK_READY) != 0) {
            blocks += message.message == WM_ADC_BLOCK_READY ? 1 : 0;
        }
        return 0;
    });
    using Notice = std::pair<int, std::string>;
    {
        CFakeRun run("soapy:driver=tavikfake", std::nullopt, counter.GetId());
        EXPECT_EQ(run.NextNotice(),
                  Notice(CTavikControl::SUBID_RECEPTION_LOST,
                         "soapy:driver=tavikfake delivers 5.0 % more samples than the 1200000 a "
                         "second asked for; not measured until it keeps its rate"));
        EXPECT_TRUE(run.device.IsAwaitingReception());
        const int before = blocks.load();
        const CPacer::Time lost = g_fake.clock.Now();
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (g_fake.clock.Now() < lost + 5s && std::chrono::steady_clock::now() < limit) {
            std::this_thread::sleep_for(5ms);
        }
        EXPECT_EQ(blocks.load(), before);
        g_fake.pace = 1.0;
        EXPECT_EQ(run.NextNotice(), Notice(CTavikControl::SUBID_RECEPTION_BACK,
                                           "reception from soapy:driver=tavikfake resumed"));
    }
    EXPECT_GT(blocks.load(), 0);
    PostThreadMessage(counter.GetId(), WM_QUIT);
    counter.Join();
}

// The panorama retunes the open stream for each point; the fake's IQ holds the station
// whatever it is tuned to, so both points read its level through the calibration given.
TEST(Soapy, ThePanoramaRetunesTheStream) {
    LoadStation();
    g_fake.overflowAt = -1;
    g_fake.breakAt = -1;
    g_fake.opened = 0;
    test::CTempFolder store;
    CLiveSourceSettings settings = *CLiveSourceSettings::FromName("soapy:driver=tavikfake");
    settings.fullScale = 77.0;  // the generator's
    CTavikControl device;
    device.SetLiveSource(settings, store.Path());
    device.SetSOF(false);
    float readings[32];
    for (const float frequency : {106.7f, 106.8f}) {
        device.SetTunerFrequency(frequency);
        device.GetPanoramaData(readings);
        EXPECT_EQ(g_fake.frequency.load(), std::round(frequency * 1e4) * 1e2 - 250000.0);
        EXPECT_NEAR(readings[0], 65.0, 4.0);
    }
    EXPECT_EQ(g_fake.opened.load(), 1);
    device.SetSOF(true);
}

TEST(Soapy, AReceiverThatIsNotThereIsALossThatNamesIt) {
    CFakeRun run("soapy:driver=nonesuch");
    const auto [subId, text] = run.NextNotice();
    EXPECT_EQ(subId, CTavikControl::SUBID_RECEPTION_LOST);
    EXPECT_EQ(text.rfind("soapy:driver=nonesuch: ", 0), 0u) << text;
}

}  // namespace
}  // namespace tavik

#include "device/IqPanorama.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <string>
#include <vector>

#include "device/IqBacklog.h"
#include "device/IqStream.h"
#include "dsp/ChannelMeter.h"
#include "platform/GenericException.h"

namespace tavik {

namespace {

constexpr int kReadingSamples = CChannelMeter::kSize;

float Dbuv(float power, double fullScale) {
    return static_cast<float>(10.0 * std::log10(std::max(double{power}, 1e-15)) + fullScale);
}

class CIqFilePanorama final : public CIqPanorama {
public:
    explicit CIqFilePanorama(const CIqSourceSettings& settings)
        : m_source(settings), m_strFile(settings.strFile), m_iq(kReadingSamples) {}

    bool Measure(double frequency, float* readings) override {
        const CFmReceiverSettings& receiver = m_source.ReceiverSettings();
        const auto [first, last] = ChannelRange(receiver.fSampleRate, receiver.fCentre);
        if (frequency < first - 0.5 || frequency > last + 0.5) {
            throw CIqSourceError(
                StringFormat("\"%s\" holds the channels from %.3f to %.3f MHz, "
                             "not %.3f MHz",
                             m_strFile.c_str(), first / 1e6, last / 1e6, frequency / 1e6));
        }
        CChannelMeter meter(receiver.fSampleRate, frequency - receiver.fCentre, kChannelHalfWidth);
        for (int i = 0; i < kReadings; ++i) {
            m_source.ReadIq(m_iq.data(), kReadingSamples);
            readings[i] = Dbuv(meter.Measure(m_iq.data()), receiver.fFullScaleDbuv);
        }
        return true;
    }

private:
    CIqFileSource m_source;
    std::string m_strFile;
    std::vector<std::complex<float>> m_iq;
};

class CLivePanorama final : public CIqPanorama {
public:
    CLivePanorama(const CLiveSourceSettings& settings, double fullScale,
                  const std::atomic<bool>& running)
        : m_settings(settings),
          m_fFullScale(fullScale),
          m_fOffset(settings.fRate / 2.0 >= CLiveSourceSettings::kTuningOffset + kChannelHalfWidth
                        ? CLiveSourceSettings::kTuningOffset
                        : 0.0),
          m_pStream(MakeIqStream(settings.strName, running)),
          m_nSettle(static_cast<int>(settings.fRate * kPanoramaSettleSeconds)),
          m_backlog(settings.fRate),
          m_iq(static_cast<std::size_t>(std::max(m_nSettle, kReadingSamples * kReadings))) {
        if (settings.fRate < CFmReceiver::kMinimumSampleRate) {
            throw CIqStreamError(StringFormat("%s: the rate %.0f is below 400000 samples/s",
                                              settings.strName.c_str(), settings.fRate));
        }
        m_pMeter = std::make_unique<CChannelMeter>(settings.fRate, m_fOffset, kChannelHalfWidth);
    }

    bool Measure(double frequency, float* readings) override {
        const double centre = frequency - m_fOffset;
        // What the receiver made before the retuning and was not read yet is of the frequency
        // before, as are the first samples after it.
        std::int64_t skip = m_nSettle;
        if (m_pStream->IsOpen()) {
            skip += m_backlog.SamplesAt(CIqBacklog::Clock::now());
            m_pStream->Retune(centre);
        } else {
            m_pStream->Open({centre, m_settings.fRate, m_settings.gain, m_settings.ppm});
            m_backlog.Start(CIqBacklog::Clock::now());
        }
        if (!m_pStream->IsOpen() || !Skip(skip) || !Fill(kReadingSamples * kReadings)) {
            return false;
        }
        for (int i = 0; i < kReadings; ++i) {
            readings[i] = Dbuv(m_pMeter->Measure(m_iq.data() + i * kReadingSamples), m_fFullScale);
        }
        return true;
    }

private:
    // `count` samples into the buffer, as many reads as that takes; false when stopped.
    bool Fill(int count) {
        for (int have = 0; have < count;) {
            const auto asked = CIqBacklog::Clock::now();
            const int got = m_pStream->Read(m_iq.data() + have, count - have);
            m_backlog.Read(got, asked, CIqBacklog::Clock::now());
            if (got == 0) {
                return false;
            }
            have += got;
        }
        return true;
    }
    // Reads and forgets `count` samples, a buffer at a time; false when stopped.
    bool Skip(std::int64_t count) {
        const auto buffer = static_cast<std::int64_t>(m_iq.size());
        for (; count > 0; count -= buffer) {
            if (!Fill(static_cast<int>(std::min(count, buffer)))) {
                return false;
            }
        }
        return true;
    }

    CLiveSourceSettings m_settings;
    double m_fFullScale;
    double m_fOffset;  // of the channel from the tuned centre
    std::unique_ptr<CIqStream> m_pStream;
    int m_nSettle;
    CIqBacklog m_backlog;  // the receiver's samples made but not read yet
    std::vector<std::complex<float>> m_iq;
    std::unique_ptr<CChannelMeter> m_pMeter;
};

}  // namespace

std::pair<double, double> CIqPanorama::ChannelRange(double rate, double centre) {
    const double reach = rate / 2.0 - kChannelHalfWidth;
    return {centre - reach, centre + reach};
}

std::unique_ptr<CIqPanorama> MakeIqFilePanorama(const CIqSourceSettings& settings) {
    return std::make_unique<CIqFilePanorama>(settings);
}

std::unique_ptr<CIqPanorama> MakeLivePanorama(const CLiveSourceSettings& settings, double fullScale,
                                              const std::atomic<bool>& running) {
    return std::make_unique<CLivePanorama>(settings, fullScale, running);
}

}  // namespace tavik

#include "tools/LevelSynth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "device/PlaybackCalibration.h"
#include "platform/SampleBlock.h"

namespace tavik {

namespace {

constexpr double kStep = 0.0011444092;  // dB per ADC step, as the receiver scales
constexpr double kFloor = 22.5;         // dBuV at r = -32767
constexpr double kSampleRate = 200000.0;
constexpr double kFadePeriods[2] = {17.3, 4.7};  // s
constexpr double kFadeShares[2] = {0.65, 0.35};  // of the fading depth
constexpr std::uint64_t kLevelStream = 0x4C4556454C4E4F49ull;

}  // namespace

CLevelSynth::CLevelSynth(const CGeneratorOptions& options)
    : m_coupling(TotalCoupling(options.multipath)),
      m_fMean(options.fLevel),
      m_fNoise(static_cast<float>(options.fLevelNoise)),
      m_random(options.nSeed ^ kLevelStream) {
    for (std::size_t i = 0; i < 2; ++i) {
        m_fade[i] = std::polar(1.0, m_random.Uniform(0.0, 2.0 * std::numbers::pi));
        m_fadeStep[i] = std::polar(1.0, 2.0 * std::numbers::pi / (kFadePeriods[i] * kSampleRate));
        m_fadeDepth[i] = kFadeShares[i] * options.fFading;
    }
}

float CLevelSynth::CouplingDb(const std::array<double, 3>& coupling, float mpx) {
    const auto c0 = static_cast<float>(coupling[0]);
    const auto c1 = static_cast<float>(coupling[1]);
    const auto c2 = static_cast<float>(coupling[2]);
    const float f = mpx * (kMpxReferenceDeviation / kMpxReferenceAmplitude);
    return 20.0f * std::log10(std::max(1.0f + f * (c2 + f * (c1 + f * c0)), 1e-4f));
}

void CLevelSynth::NextBlock(const std::int16_t* mpx, std::int16_t* out, int count) {
    const auto c0 = static_cast<float>(m_coupling[0]);
    const auto c1 = static_cast<float>(m_coupling[1]);
    const auto c2 = static_cast<float>(m_coupling[2]);
    constexpr float kKilohertzPerUnit = kMpxReferenceDeviation / kMpxReferenceAmplitude;
    for (int i = 0; i < count; ++i) {
        m_fade[0] *= m_fadeStep[0];
        m_fade[1] *= m_fadeStep[1];
        const double carrier =
            m_fMean + m_fadeDepth[0] * m_fade[0].imag() + m_fadeDepth[1] * m_fade[1].imag();
        const float f = static_cast<float>(mpx[i]) * kKilohertzPerUnit;
        // a(f) / c3; beyond the range that the options are checked over, a coupling strong
        // enough to cancel the carrier leaves the ADC's floor.
        const float coupling = std::max(1.0f + f * (c2 + f * (c1 + f * c0)), 1e-4f);
        const double level =
            carrier + 20.0f * std::log10(coupling) + m_fNoise * m_random.Gaussian();
        const std::int16_t raw = LevelToAdc(level);
        out[i] = raw;
        m_fSum += AdcToLevel(raw);
    }
    m_nCount += count;
    m_fade[0] /= std::abs(m_fade[0]);
    m_fade[1] /= std::abs(m_fade[1]);
}

std::array<double, 3> CLevelSynth::TotalCoupling(const std::array<double, 3>& multipath) {
    const std::array<float, 4> k = PlaybackCalibrationValues();
    return {multipath[0] + k[0], multipath[1] + k[1], multipath[2] + k[2]};
}

double CLevelSynth::LowestPoint(const std::array<double, 3>& coupling, double& lowest) {
    // Named copies, not a structured binding: clang 14 cannot capture bindings in a lambda.
    const double c0 = coupling[0];
    const double c1 = coupling[1];
    const double c2 = coupling[2];
    const auto amplitude = [&](double f) { return 1.0 + f * (c2 + f * (c1 + f * c0)); };
    // A cubic is lowest at an end of the range or where its slope c2 + 2 c1 f + 3 c0 f^2 is 0.
    double candidates[4] = {-kRange, kRange, 0.0, 0.0};
    int count = 2;
    if (c0 != 0.0) {
        const double discriminant = c1 * c1 - 3.0 * c0 * c2;
        if (discriminant >= 0.0) {
            candidates[count++] = (-c1 + std::sqrt(discriminant)) / (3.0 * c0);
            candidates[count++] = (-c1 - std::sqrt(discriminant)) / (3.0 * c0);
        }
    } else if (c1 != 0.0) {
        candidates[count++] = -c2 / (2.0 * c1);
    }
    double at = -kRange;
    lowest = amplitude(at);
    for (int i = 1; i < count; ++i) {
        const double f = candidates[i];
        if (std::fabs(f) <= kRange && amplitude(f) < lowest) {
            at = f;
            lowest = amplitude(f);
        }
    }
    return at;
}

double CLevelSynth::MeanLevel() const {
    return m_nCount > 0 ? m_fSum / static_cast<double>(m_nCount) : 0.0;
}

std::int16_t CLevelSynth::LevelToAdc(double dBuV) {
    const double raw = std::nearbyint((dBuV - kFloor) / kStep - 32767.0);
    return static_cast<std::int16_t>(std::clamp(raw, -32768.0, 32767.0));
}

float CLevelSynth::AdcToLevel(std::int16_t raw) {
    return (static_cast<float>(raw) + 32767.0f) * 0.0011444092f + 22.5f;
}

}  // namespace tavik

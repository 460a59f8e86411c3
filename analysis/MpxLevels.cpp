#include "analysis/MpxLevels.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/FftPlanner.h"
#include "platform/GenericException.h"

namespace tavik {

namespace {

constexpr int kBlock = GLOBAL_SAMPLE_BUFSIZE;
constexpr double kRate = CStereoDecoder::kMpxRate;
constexpr double kRdsLow = 57000.0 - 2400.0;
constexpr double kRdsHigh = 57000.0 + 2400.0;
constexpr auto kClearWait = std::chrono::milliseconds(1000);

float AdcToKhz(double adc) {
    return static_cast<float>(adc / kMpxReferenceAmplitude * kMpxReferenceDeviation);
}

// ADC amplitude of full modulation: a channel that alone deviates by 75 kHz.
const double kFullScale =
    CMpxLevels::kFullModulationKhz / kMpxReferenceDeviation * kMpxReferenceAmplitude;

float ToDb(float peak) {
    if (peak <= 0.0f) {
        return CMpxReadings::kFloorDb;
    }
    return std::max(static_cast<float>(20.0 * std::log10(peak / kFullScale)),
                    CMpxReadings::kFloorDb);
}

}  // namespace

// The RDS subcarrier's power in a real block: a Hann-windowed FFT, the bins of 57 +- 2.4 kHz
// summed and scaled so that a sine of amplitude a in the band gives a^2 / 2, less the noise
// under it. A receiver's discriminator noise rises with the square of the frequency, so the
// noise in the RDS band is estimated twice: from the band above it (61-65 kHz) and from the
// biphase-coded subcarrier's own null at 57 +- 0.1 kHz, each scaled by the f^2 law to the RDS
// band. The smaller estimate is taken: a subcarrier above RDS (SCA, DARC) raises the first,
// the pilot's third harmonic the second, neither both.
class CRdsPower {
public:
    explicit CRdsPower(int size)
        : m_nSize(size),
          m_window(static_cast<std::size_t>(size)),
          m_pIn(fftwf_alloc_real(static_cast<std::size_t>(size))),
          m_pOut(fftwf_alloc_complex(static_cast<std::size_t>(size / 2 + 1))),
          m_plan(Plan(size, m_pIn, m_pOut)),
          m_band(Bins(size, kRdsLow, kRdsHigh)),
          m_above(Bins(size, 61000.0, 65000.0)),
          m_null(Bins(size, 56900.0, 57100.0)) {
        double squares = 0.0;
        for (int n = 0; n < size; ++n) {
            const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / size);
            m_window[static_cast<std::size_t>(n)] = static_cast<float>(w);
            squares += w * w;
        }
        m_fScale = 2.0 / (static_cast<double>(size) * squares);
    }
    ~CRdsPower() {
        {
            const std::lock_guard lock(FftPlannerMutex());
            fftwf_destroy_plan(m_plan);
        }
        fftwf_free(m_pOut);
        fftwf_free(m_pIn);
    }
    CRdsPower(const CRdsPower&) = delete;
    CRdsPower& operator=(const CRdsPower&) = delete;

    // `count` < size: the rest is taken as zeros (the power then reads low in proportion).
    void Add(const float* x, int count) {
        const int n = std::min(count, m_nSize);
        for (int i = 0; i < m_nSize; ++i) {
            m_pIn[i] = i < n ? x[i] * m_window[static_cast<std::size_t>(i)] : 0.0f;
        }
        fftwf_execute(m_plan);
        m_fBand += Sum(m_band);
        m_fAbove += Sum(m_above);
        m_fNull += Sum(m_null);
        ++m_nBlocks;
    }

    // The mean power of the subcarrier over the blocks added since the last call.
    double Take() {
        double power = 0.0;
        if (m_nBlocks > 0) {
            const double noise = std::min(m_fAbove * Weight(m_band) / Weight(m_above),
                                          m_fNull * Weight(m_band) / Weight(m_null));
            power = std::max(m_fBand - noise, 0.0) / m_nBlocks;
        }
        m_fBand = m_fAbove = m_fNull = 0.0;
        m_nBlocks = 0;
        return power;
    }

private:
    static fftwf_plan Plan(int size, float* in, fftwf_complex* out) {
        const std::lock_guard lock(FftPlannerMutex());
        return fftwf_plan_dft_r2c_1d(size, in, out, FFTW_ESTIMATE);
    }
    struct CBins {
        int low = 0;
        int high = 0;
    };
    static CBins Bins(int size, double low, double high) {
        return {static_cast<int>(std::ceil(low * size / kRate)),
                static_cast<int>(std::floor(high * size / kRate))};
    }
    // The f^2-shaped noise a band's bins hold, in bin units cubed.
    static double Weight(CBins bins) {
        double sum = 0.0;
        for (int k = bins.low; k <= bins.high; ++k) {
            sum += static_cast<double>(k) * k;
        }
        return sum;
    }
    double Sum(CBins bins) const {
        double sum = 0.0;
        for (int k = bins.low; k <= bins.high; ++k) {
            sum += static_cast<double>(m_pOut[k][0]) * m_pOut[k][0] +
                   static_cast<double>(m_pOut[k][1]) * m_pOut[k][1];
        }
        return sum * m_fScale;
    }

    int m_nSize;
    std::vector<float> m_window;
    float* m_pIn;
    fftwf_complex* m_pOut;
    fftwf_plan m_plan;
    double m_fScale = 1.0;
    CBins m_band;
    CBins m_above;
    CBins m_null;
    double m_fBand = 0.0;
    double m_fAbove = 0.0;
    double m_fNull = 0.0;
    int m_nBlocks = 0;
};

CMpxLevels::CMpxLevels()
    : m_pDecoder(std::make_unique<CStereoDecoder>(
          50e-6, kNoPilotKhz / kMpxReferenceDeviation * kMpxReferenceAmplitude, kBlock)),
      m_pRds(std::make_unique<CRdsPower>(kBlock)),
      m_left(static_cast<std::size_t>(kBlock)),
      m_right(static_cast<std::size_t>(kBlock)),
      m_mid(static_cast<std::size_t>(kBlock)),
      m_side(static_cast<std::size_t>(kBlock)) {}

CMpxLevels::~CMpxLevels() {
    EndWorker();
}

bool CMpxLevels::SetDeemphasis(int microseconds) {
    if (microseconds != 50 && microseconds != 75) {
        return false;
    }
    m_nDeemphasis.store(microseconds);
    return true;
}

bool CMpxLevels::SetSilence(float thresholdDb, int seconds) {
    if (!(thresholdDb < 0.0f && thresholdDb > CMpxReadings::kFloorDb) || seconds < 1 ||
        seconds > 3600) {
        return false;
    }
    m_fSilenceDb.store(thresholdDb);
    m_nSilenceSeconds.store(seconds);
    return true;
}

void CMpxLevels::SetProgrammeListener(IProgrammeListener* listener) {
    const std::lock_guard lock(m_listenerLock);
    m_pListener = listener;
}

float CMpxLevels::FullScale() {
    return static_cast<float>(kFullScale);
}

void CMpxLevels::ClearBuffer() {
    DiscardQueued();
    if (!WaitUntilIdle(kClearWait)) {
        throw CMPXPowerTavikException("ClearBuffer: Wait timed out!\n", 0);
    }
    Restart();
}

void CMpxLevels::Restart() {
    m_nDecoderDeemphasis = m_nDeemphasis.load();
    m_pDecoder = std::make_unique<CStereoDecoder>(
        m_nDecoderDeemphasis * 1e-6, kNoPilotKhz / kMpxReferenceDeviation * kMpxReferenceAmplitude,
        kBlock);
    for (CTruePeakMeter& meter : m_meters) {
        meter.Reset();
    }
    m_nBlocks = 0;
    m_pRds->Take();
    m_fPeakLeft = m_fPeakRight = m_fPeakMono = m_fPeakStereo = 0.0f;
    m_hold = CMpxReadings();
}

void CMpxLevels::Pass() {
    CMpxReadings readings;
    if (AnalyseBlock(m_pData, m_nDataCount, readings)) {
        Notify(CAnalyserResult::Make<EResultCode::MpxReadings>(readings));
    }
}

bool CMpxLevels::AnalyseBlock(const float* data, int count, CMpxReadings& readings) {
    const int n = std::min(count, kBlock);
    if (data == nullptr || n <= 0) {
        return false;
    }
    if (m_nDeemphasis.load() != m_nDecoderDeemphasis) {
        Restart();  // a new time constant: the readings start again with it
    }
    const int produced = m_pDecoder->Process(data, n, m_left.data(), m_right.data());
    {
        const std::lock_guard lock(m_listenerLock);
        if (m_pListener != nullptr && produced > 0) {
            m_pListener->OnProgramme(m_left.data(), m_right.data(), produced);
        }
    }
    for (std::size_t k = 0; k < static_cast<std::size_t>(produced); ++k) {
        m_mid[k] = 0.5f * (m_left[k] + m_right[k]);
        m_side[k] = 0.5f * (m_left[k] - m_right[k]);
    }
    m_fPeakLeft = std::max(m_fPeakLeft, m_meters[0].Process(m_left.data(), produced));
    m_fPeakRight = std::max(m_fPeakRight, m_meters[1].Process(m_right.data(), produced));
    m_fPeakMono = std::max(m_fPeakMono, m_meters[2].Process(m_mid.data(), produced));
    m_fPeakStereo = std::max(m_fPeakStereo, m_meters[3].Process(m_side.data(), produced));
    m_pRds->Add(data, n);
    if (++m_nBlocks < kBlocksPerOutput) {
        return false;
    }
    Finish(readings);
    return true;
}

// The second's readings; the per-second figures start again.
void CMpxLevels::Finish(CMpxReadings& readings) {
    readings = m_hold;
    const CPilotFigures pilot = m_pDecoder->TakePilotFigures();
    const float pilotKhz = AdcToKhz(pilot.fAmplitude);
    if (pilotKhz >= kNoPilotKhz) {
        readings.pilotKhz = pilotKhz;
        readings.pilotErrorHz = pilot.fOffset;
    }
    const float rdsKhz = AdcToKhz(2.0 * std::sqrt(m_pRds->Take()));
    if (rdsKhz >= kNoRdsKhz) {
        readings.rdsKhz = rdsKhz;
    }
    readings.leftDb = ToDb(m_fPeakLeft);
    readings.rightDb = ToDb(m_fPeakRight);
    readings.monoDb = ToDb(m_fPeakMono);
    readings.stereoDb = ToDb(m_fPeakStereo);
    readings.leftHoldDb = std::max(readings.leftHoldDb, readings.leftDb);
    readings.rightHoldDb = std::max(readings.rightHoldDb, readings.rightDb);
    readings.monoHoldDb = std::max(readings.monoHoldDb, readings.monoDb);
    readings.stereoHoldDb = std::max(readings.stereoHoldDb, readings.stereoDb);
    readings.balanceDb = readings.leftDb - readings.rightDb;
    readings.quietSeconds = readings.monoDb < m_fSilenceDb.load() ? readings.quietSeconds + 1 : 0;
    readings.silence = readings.quietSeconds >= m_nSilenceSeconds.load();
    m_hold = readings;
    m_nBlocks = 0;
    m_fPeakLeft = m_fPeakRight = m_fPeakMono = m_fPeakStereo = 0.0f;
}

}  // namespace tavik

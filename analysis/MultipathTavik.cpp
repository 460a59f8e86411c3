#include "analysis/MultipathTavik.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <utility>

#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

// Smallest and largest of `n` finite samples (n a multiple of 8), in eight lanes so that the
// loop vectorises; only their magnitudes are used, so the sign of a zero does not matter.
std::pair<float, float> MinMax(const float* x, int n) {
    constexpr int kLanes = 8;
    float low[kLanes];
    float high[kLanes];
    std::fill(std::begin(low), std::end(low), x[0]);
    std::fill(std::begin(high), std::end(high), x[0]);
    for (int i = 0; i < n; i += kLanes) {
        for (int j = 0; j < kLanes; ++j) {
            low[j] = x[i + j] < low[j] ? x[i + j] : low[j];
            high[j] = high[j] < x[i + j] ? x[i + j] : high[j];
        }
    }
    return {*std::min_element(std::begin(low), std::end(low)),
            *std::max_element(std::begin(high), std::end(high))};
}

// Deviation in kHz against the fixed reference (not the document's setting). Odd and
// monotonic, so the extremes of converted samples are the converted extremes.
float ToKilohertz(float sample) {
    return static_cast<float>(sample / static_cast<double>(CMultipathTavik::kReference) *
                              static_cast<double>(kMpxReferenceDeviation));
}

template <class T>
std::intptr_t AddressOf(const std::shared_ptr<const T>& payload) {
    return reinterpret_cast<std::intptr_t>(payload.get());
}

}  // namespace

CMultipathTavik::CMultipathTavik(CMultipathHost* host) : m_pHost(host) {
    // Room for a whole block, so that PostData never allocates.
    m_mpx.reserve(kBlockSize);
    m_level.reserve(kBlockSize);
}

CMultipathTavik::~CMultipathTavik() {
    EndWorker();
}

void CMultipathTavik::PostData(const float*, int) {}

void CMultipathTavik::PostData(const float* mpx, int mpxCount, const float* level, int levelCount) {
    // Not a drop to count: the fit takes the newest block every 2 s, so blocks skipped while
    // it runs were never due for analysis.
    if (IsBusy() || mpxCount != kBlockSize || levelCount != kBlockSize) {
        return;
    }
    bool expected = false;
    if (!m_bArraysClaimed.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
        return;  // a pass holds the arrays
    }
    m_mpx.resize(kBlockSize);
    m_level.resize(kBlockSize);
    std::memcpy(m_mpx.data(), mpx, sizeof(float) * kBlockSize);
    std::memcpy(m_level.data(), level, sizeof(float) * kBlockSize);
    ReleaseArrays();
}

void CMultipathTavik::Analyse() {
    // Two passes must never share the arrays and the average: a call that comes while the
    // last pass still runs is skipped.
    if (m_bPassRunning.load()) {
        return;
    }
    m_hFailureWnd = m_pHost != nullptr ? m_pHost->GetResultWindow() : GetNotifyWindow();
    SetPassRunning(true);
    if (!RequestPass()) {
        SetPassRunning(false);  // cannot happen: a pass is requested only when none runs
    }
}

void CMultipathTavik::Pass() {
    ClaimArrays();
    m_bFailed = false;
    int subId = 0;
    std::string message;
    try {
        Compute();
    } catch (const CMultipathTavikException& e) {
        m_bFailed = true;
        subId = e.GetSubId();
        message = e.GetMessage();
    } catch (const std::bad_alloc&) {
        m_bFailed = true;
        subId = 2;
        message = "CMultipathTavik::compute: new returned NULL";
    }
    ReleaseArrays();
    if (m_bFailed && m_hFailureWnd != nullptr) {
        m_hFailureWnd->PostMessage(CMessage{WM_ANALYSER_ERROR,
                                            static_cast<std::uintptr_t>(EXC_MULTIPATHTAVIK),
                                            subId,
                                            {},
                                            std::make_shared<const std::string>(message)});
    }
    SetPassRunning(false);
}

void CMultipathTavik::Compute() {
    if (m_mpx.empty() && m_level.empty()) {
        throw CMultipathTavikException("CMultipathTavik::compute: no data in containers", 1);
    }
    const bool ok = AnalyseDeviation(m_mpx, m_level);
    // The chosen segment's deviation in kHz.
    for (float& v : m_mpx) {
        v = ToKilohertz(v);
    }

    // Grid over the chosen segment's range, always including 0 kHz.
    float dmax = -110.0f;
    float dmin = 0.0f;
    for (const float v : m_mpx) {
        dmax = std::max(dmax, v);
        dmin = std::min(dmin, v);
    }
    const auto lo = static_cast<int>(std::floor(dmin));
    const auto hi = static_cast<int>(std::ceil(dmax));

    // A segment without enough deviation is not fitted: its fit would not enter the average,
    // and an unmodulated carrier makes the triangular solve singular.
    if (ok) {
        std::array<float, kSegmentSize> amplitude;  // uV
        for (int i = 0; i < kSegmentSize; ++i) {
            amplitude[i] = std::pow(10.0f, m_level[i] / 20.0f);
        }
        std::array<float, 4> z = m_fit.Fit(m_mpx.data(), amplitude.data());
        // Normalise by the amplitude at zero deviation and take off the receiver's own
        // response; z3 stays the amplitude (k3 is not used).
        for (int j = 0; j < 3; ++j) {
            z[j] = z[j] / z[3] - m_calib[j];
        }
        // A degenerate fit (zero amplitude) must not poison the running average.
        if (std::all_of(z.begin(), z.end(), [](float v) { return std::isfinite(v); })) {
            // An empty average (no amplitude: at the start, after ClearBuffer or Calibrate)
            // takes the first fit as it is; averaged with its zeros the fit would come out
            // halved, the RF level 6 dB and then 2.5, 1.2 ... dB low over the first passes.
            const bool empty = m_coeff[3] == 0.0f;
            for (int j = 0; j < 4; ++j) {
                m_coeff[j] = empty ? z[j] : static_cast<float>((1.0 * m_coeff[j] + z[j]) / 2.0);
            }
        }
    }
    m_lastCoeff = m_coeff;

    auto result = std::make_shared<CMultipathResult>();
    result->Evaluate(m_coeff, lo, hi, ok);
    result->m_coeff = m_coeff;
    result->m_calib = m_calib;
    std::shared_ptr<const CMultipathResult> posted = std::move(result);
    Notify(CAnalyserResult::Make<EResultCode::Multipath>(posted), AddressOf(posted));
}

bool CMultipathTavik::AnalyseDeviation(std::vector<float>& mpx, std::vector<float>& level) {
    if (mpx.size() != static_cast<std::size_t>(kBlockSize)) {
        throw CMultipathTavikException(
            "AnalyseDeviation: mpx buffer size does not match MULTIPATH_BUFFER_FACTOR * "
            "GLOBAL_SAMPLE_BUFSIZE",
            1);
    }
    if (level.size() != static_cast<std::size_t>(kBlockSize)) {
        throw CMultipathTavikException(
            "AnalyseDeviation: level buffer size does not match MULTIPATH_BUFFER_FACTOR * "
            "GLOBAL_SAMPLE_BUFSIZE",
            1);
    }
    std::array<float, kSegments> largest{};
    std::array<float, kSegments> smallest{};
    float overall = 0.0f;
    for (int s = 0; s < kSegments; ++s) {
        static_assert(kSegmentSize % 8 == 0);
        const auto [mn, mx] = MinMax(mpx.data() + s * kSegmentSize, kSegmentSize);
        largest[s] = ToKilohertz(mx);
        smallest[s] = ToKilohertz(mn);
        m_segmentPeaks[s] = std::max(std::fabs(largest[s]), std::fabs(smallest[s]));
        overall = std::max(overall, m_segmentPeaks[s]);
    }
    const auto peaks = std::make_shared<const CSegmentPeaks>(m_segmentPeaks);
    Notify(CAnalyserResult::Make<EResultCode::SegmentPeaks>(peaks), AddressOf(peaks));

    // The segment whose extreme equals the overall peak; with ties the last one.
    int chosen = 0;
    for (int s = 0; s < kSegments; ++s) {
        if (std::fabs(largest[s]) == overall || std::fabs(smallest[s]) == overall) {
            chosen = s;
        }
    }
    if (chosen != 0) {
        std::copy_n(mpx.begin() + chosen * kSegmentSize, kSegmentSize, mpx.begin());
        std::copy_n(level.begin() + chosen * kSegmentSize, kSegmentSize, level.begin());
    }
    mpx.resize(kSegmentSize);
    level.resize(kSegmentSize);
    return overall > kMinimumDeviation;
}

void CMultipathTavik::SetCalibrators(const std::uint8_t* block) {
    WaitForPass();
    for (int j = 0; j < 4; ++j) {
        const std::uint8_t* b = block + 4 * j;
        const std::uint32_t bits = std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                   std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
        m_calib[j] = std::bit_cast<float>(bits);
    }
}

void CMultipathTavik::ResetCalibration() {
    WaitForPass();
    m_calib.fill(0.0f);
}

void CMultipathTavik::Calibrate() {
    WaitForPass();
    // The averaged k0..k2 are what is left after the set in use was taken off, so the new
    // set is that set plus the residual: right whatever was loaded, and calibrating twice in
    // a row changes nothing. k3 is the amplitude, never subtracted: taken as it is.
    for (int j = 0; j < 3; ++j) {
        m_calib[j] += m_lastCoeff[j];
        m_lastCoeff[j] = 0.0f;  // taken into the set: a second Calibrate adds nothing
    }
    m_calib[3] = m_lastCoeff[3];
    m_coeff.fill(0.0f);
    if (m_pHost == nullptr) {
        return;
    }
    std::uint8_t block[16];
    for (int j = 0; j < 4; ++j) {
        const auto bits = std::bit_cast<std::uint32_t>(m_calib[j]);
        for (int i = 0; i < 4; ++i) {
            block[4 * j + i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
    }
    m_pHost->SaveCalibrators(block);
}

void CMultipathTavik::ClearBuffer() {
    if (!WaitForPassEnd(std::chrono::milliseconds(1000))) {
        throw CMultipathTavikException("ClearBuffer: Wait timed out!\n", 0);
    }
    WaitForPass();
    ClaimArrays();
    m_mpx.clear();
    m_level.clear();
    m_coeff.fill(0.0f);
    ReleaseArrays();
    ClearBusy();
}

void CMultipathTavik::ClaimArrays() {
    // A copy in PostData that began before the busy flag was set ends after one memcpy.
    bool expected = false;
    while (!m_bArraysClaimed.compare_exchange_weak(expected, true, std::memory_order_acquire)) {
        expected = false;
        std::this_thread::yield();
    }
}

void CMultipathTavik::ReleaseArrays() {
    m_bArraysClaimed.store(false, std::memory_order_release);
}

void CMultipathTavik::SetPassRunning(bool running) {
    {
        std::lock_guard lock(m_passMutex);
        m_bPassRunning.store(running);
    }
    m_passEnded.notify_all();
}

bool CMultipathTavik::WaitForPassEnd(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_passMutex);
    return m_passEnded.wait_for(lock, limit, [&] { return !m_bPassRunning.load(); });
}

void CMultipathTavik::WaitForPass() {
    // Passes start only on this (the user-interface) thread, so once the last one has ended
    // with its busy-flag handling nothing else touches the coefficients until this returns.
    WaitUntilIdle(std::chrono::milliseconds(1000));
}

}  // namespace tavik

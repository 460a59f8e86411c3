#include "analysis/DeviationTavik.h"

#include <algorithm>
#include <cmath>

#include "platform/GenericException.h"

namespace tavik {

namespace {

constexpr float kDeviationOfReference = kMpxReferenceDeviation;  // kHz at the reference
constexpr float kPeakFilterFactor = 0.999f;  // shown to the user as "Peak Filter (1e-3)"
constexpr auto kClearWait = std::chrono::milliseconds(1000);

// Largest magnitude of x[begin, end), continuing from `peak`. Eight independent lanes keep the
// maximum's dependency chain short, so the loop runs at load speed.
float PeakFrom(const float* x, int begin, int end, float peak) {
    float lane[8];
    std::fill(std::begin(lane), std::end(lane), peak);
    int i = begin;
    for (; i + 8 <= end; i += 8) {
        for (int j = 0; j < 8; ++j) {
            const float magnitude = std::fabs(x[i + j]);
            lane[j] = lane[j] < magnitude ? magnitude : lane[j];
        }
    }
    for (; i < end; ++i) {
        const float magnitude = std::fabs(x[i]);
        lane[0] = lane[0] < magnitude ? magnitude : lane[0];
    }
    return *std::max_element(std::begin(lane), std::end(lane));
}

}  // namespace

CDeviationTavik::CDeviationTavik() : m_histogram(static_cast<std::size_t>(m_nBins), 0u) {
    // Reserved once, so that no pass allocates for its statistics.
    m_peaks.reserve(static_cast<std::size_t>(2 * m_nBlocksPerUpdate));
    m_relative.reserve(static_cast<std::size_t>(m_nBins));
    m_accumulated.reserve(static_cast<std::size_t>(m_nBins));
}

CDeviationTavik::~CDeviationTavik() {
    EndWorker();
}

bool CDeviationTavik::SetReference(float reference) {
    const bool valid = reference > 0.0f && reference < 32768.0f;
    m_fReference.store(valid ? reference : 0.0f);
    return valid;
}

void CDeviationTavik::SetFilter(bool useFilter) {
    m_bUseFilter.store(useFilter);
    m_fMaxDeviation.store(0.0f);
}

void CDeviationTavik::ClearBuffer() {
    DiscardQueued();
    if (!WaitUntilIdle(kClearWait)) {
        throw CDeviationTavikException("ClearBuffer: Wait timed out!\n", 0);
    }
    std::fill(m_histogram.begin(), m_histogram.end(), 0u);
    m_peaks.clear();
    m_nBlockCounter = 0;
    m_nScaleCounter = 1;
    m_fMaxDeviation.store(0.0f);
}

std::shared_ptr<const std::vector<float>> CDeviationTavik::GetTimeSignal() const {
    std::lock_guard lock(m_timeSignalMutex);
    return m_pPostedTimeSignal;
}

void CDeviationTavik::Pass() {
    const SPassResult result = AnalyseBlock(m_pData, m_nDataCount, Figures());
    if (!result.bAnalysed) {
        return;
    }
    if (result.bTimeSignal) {
        auto signal = std::make_shared<const std::vector<float>>(
            m_timeSignal.begin(), m_timeSignal.begin() + m_nTimeSignalCount);
        {
            std::lock_guard lock(m_timeSignalMutex);
            m_pPostedTimeSignal = signal;
        }
        Notify(CAnalyserResult::Make<EResultCode::TimeSignal>(std::move(signal)));
    }
    if (result.bStatistics) {
        Notify(CAnalyserResult::Make<EResultCode::DeviationRelative>(
            std::make_shared<const std::vector<float>>(m_relative)));
        Notify(CAnalyserResult::Make<EResultCode::DeviationAccumulated>(
            std::make_shared<const std::vector<float>>(m_accumulated)));
        Notify(CAnalyserResult::Make<EResultCode::DeviationMax>(m_fMaxDeviation.load()));
    }
    Notify(CAnalyserResult::Make<EResultCode::DeviationPeak>(result.fBlockPeak));
}

CDeviationTavik::SPassResult CDeviationTavik::AnalyseBlock(const float* data, int count,
                                                           const CBlockFigures* figures) {
    SPassResult result;
    const float reference = m_fReference.load();
    const int n = std::min(count, m_nBlockSize);
    if (data == nullptr || n <= 0 || reference <= 0.0f) {
        return result;  // no samples, or no valid reference: nothing to measure
    }
    result.bAnalysed = true;

    // The running peak is not reset between the halves: the second value is the whole block's.
    const bool known = figures != nullptr && figures->nCount == n;
    float peak = known ? figures->fFirstHalfPeak : PeakFrom(data, 0, n / 2, 0.0f);
    m_peaks.push_back(peak / reference * kDeviationOfReference);
    peak = known ? figures->fPeak : PeakFrom(data, n / 2, n, peak);
    result.fBlockPeak = peak / reference * kDeviationOfReference;
    m_peaks.push_back(result.fBlockPeak);

    ++m_nBlockCounter;
    if (++m_nScaleCounter >= 5) {
        m_nScaleCounter = 0;
        ScaleTimeSignal(data, n, reference);
        result.bTimeSignal = true;
    }
    if (m_nBlockCounter >= m_nBlocksPerUpdate) {
        m_nBlockCounter = 0;
        result.bStatistics = UpdateStatistics();
    }
    return result;
}

void CDeviationTavik::ScaleTimeSignal(const float* data, int count, float reference) {
    // Percent of 75 kHz deviation, in single precision and in this order of operations.
    for (int i = 0; i < count; ++i) {
        m_timeSignal[static_cast<std::size_t>(i)] =
            data[i] / reference * kDeviationOfReference * 100.0f / 75.0f;
    }
    m_nTimeSignalCount = count;
}

// Bins the collected peaks and recomputes the distributions from the whole histogram. False
// when the histogram is still empty (every peak filtered out): the distributions are then left
// as they were and nothing is posted.
bool CDeviationTavik::UpdateStatistics() {
    if (m_bUseFilter.load()) {
        ApplyPeakFilter();
    }
    for (const float value : m_peaks) {
        // A peak beyond the range (possible with a small reference) counts in the last bin.
        const float position = value / static_cast<float>(m_nBinWidth);
        const int bin =
            position < static_cast<float>(m_nBins) ? static_cast<int>(position) : m_nBins - 1;
        ++m_histogram[static_cast<std::size_t>(bin)];
        RaiseMaxDeviation(value);
    }
    m_peaks.clear();

    std::uint32_t total = 0;
    for (const std::uint32_t count : m_histogram) {
        total += count;
    }
    if (total == 0) {
        return false;
    }
    m_relative.clear();
    m_accumulated.clear();
    for (const std::uint32_t count : m_histogram) {
        m_relative.push_back(static_cast<float>(static_cast<double>(count) / total * 100.0));
    }
    // From the count left above each bin: exact, so the share above the last filled bin is 0
    // and never a rounding's -0.00 %.
    std::uint32_t above = total;
    for (const std::uint32_t count : m_histogram) {
        above -= count;
        m_accumulated.push_back(static_cast<float>(static_cast<double>(above) / total * 100.0));
    }
    return true;
}

// Removes the largest peaks: every value above 0.999 of the largest, keeping the others' order.
void CDeviationTavik::ApplyPeakFilter() {
    if (m_peaks.empty()) {
        return;
    }
    const float threshold = *std::max_element(m_peaks.begin(), m_peaks.end()) * kPeakFilterFactor;
    std::erase_if(m_peaks, [threshold](float value) { return value > threshold; });
}

// The maximum may be restarted by SetFilter on another thread at any moment; the exchange
// loop never lets a smaller value overwrite a larger one.
void CDeviationTavik::RaiseMaxDeviation(float value) {
    float current = m_fMaxDeviation.load();
    while (value > current && !m_fMaxDeviation.compare_exchange_weak(current, value)) {
    }
}

}  // namespace tavik

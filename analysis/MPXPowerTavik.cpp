#include "analysis/MPXPowerTavik.h"

#include <cmath>

#include "platform/GenericException.h"

namespace tavik {

CMPXPowerTavik::CMPXPowerTavik() = default;

CMPXPowerTavik::~CMPXPowerTavik() {
    EndWorker();
}

bool CMPXPowerTavik::SetReference(float reference) {
    if (reference > 0.0f && reference < 32768.0f) {
        m_fReference = reference;
        return true;
    }
    m_fReference = 0.0f;
    return false;
}

void CMPXPowerTavik::ClearBuffer() {
    DiscardQueued();
    if (!WaitUntilIdle(std::chrono::milliseconds(1000))) {
        throw CMPXPowerTavikException("ClearBuffer: Wait timed out!\n", 0);
    }
    m_nBlockPowersCount = 0;
    m_nHistoryCount = 0;
    m_nBlockCounter = 0;
}

double CMPXPowerTavik::MeanSquare(const float* x, int n) {
    double s0 = 0.0;
    double s1 = 0.0;
    double s2 = 0.0;
    double s3 = 0.0;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += static_cast<double>(x[i]) * x[i];
        s1 += static_cast<double>(x[i + 1]) * x[i + 1];
        s2 += static_cast<double>(x[i + 2]) * x[i + 2];
        s3 += static_cast<double>(x[i + 3]) * x[i + 3];
    }
    for (; i < n; ++i) {
        s0 += static_cast<double>(x[i]) * x[i];
    }
    return n > 0 ? (s0 + s1 + s2 + s3) / n : 0.0;
}

float CMPXPowerTavik::ToDbr(double meanSquare, float reference) {
    const double ref = reference;
    return static_cast<float>(10.0 * std::log10(2.0 * meanSquare / (ref * ref)));
}

double CMPXPowerTavik::BlockPower(int age) const {
    const int size = static_cast<int>(m_blockPowers.size());
    return m_blockPowers[static_cast<std::size_t>((m_nBlockPowersNewest - age + size) % size)];
}

void CMPXPowerTavik::PushBlockPower(double power) {
    const int size = static_cast<int>(m_blockPowers.size());
    m_nBlockPowersNewest = (m_nBlockPowersNewest + 1) % size;
    m_blockPowers[static_cast<std::size_t>(m_nBlockPowersNewest)] = power;
    if (m_nBlockPowersCount < size) {
        ++m_nBlockPowersCount;
    }
}

std::vector<float> CMPXPowerTavik::GetHistory() const {
    std::vector<float> history(static_cast<std::size_t>(m_nHistoryCount));
    const int size = static_cast<int>(m_history.size());
    for (int age = 0; age < m_nHistoryCount; ++age) {
        history[static_cast<std::size_t>(age)] =
            m_history[static_cast<std::size_t>((m_nHistoryNewest - age + size) % size)];
    }
    return history;
}

void CMPXPowerTavik::Pass() {
    if (m_nDataCount < m_nBlockSize) {
        return;  // a partial block would be averaged over samples it does not have
    }
    const CBlockFigures* figures = Figures();
    PushBlockPower(figures != nullptr && figures->nCount == m_nBlockSize
                       ? figures->dSumOfSquares / m_nBlockSize
                       : MeanSquare(m_pData, m_nBlockSize));
    if (++m_nBlockCounter < kBlocksPerOutput) {
        return;
    }
    m_nBlockCounter = 0;
    if (m_nBlockPowersCount >= kBlocksPerOutput) {
        double sum = 0.0;
        for (int age = 0; age < kBlocksPerOutput; ++age) {
            sum += BlockPower(age);
        }
        Notify(CAnalyserResult::Make<EResultCode::Power1s>(
            ToDbr(sum / kBlocksPerOutput, m_fReference)));
    }
    if (m_nBlockPowersCount >= kBlocksPerMinute) {
        m_nBlockPowersCount = kBlocksPerMinute;  // the older entries drop out of the ring
        double sum = 0.0;
        for (int age = 0; age < kBlocksPerMinute; ++age) {
            sum += BlockPower(age);
        }
        const int size = static_cast<int>(m_history.size());
        m_nHistoryNewest = (m_nHistoryNewest + 1) % size;
        m_history[static_cast<std::size_t>(m_nHistoryNewest)] =
            ToDbr(sum / kBlocksPerMinute, m_fReference);
        if (m_nHistoryCount < m_nHistorySize) {
            ++m_nHistoryCount;
        }
        Notify(CAnalyserResult::Make<EResultCode::PowerHistory>(
            std::make_shared<const std::vector<float>>(GetHistory())));
    }
}

}  // namespace tavik

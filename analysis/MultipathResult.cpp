#include "analysis/MultipathResult.h"

#include <cmath>
#include <cstddef>

namespace tavik {

void CMultipathResult::Evaluate(const std::array<float, 4>& coeff, int lo, int hi,
                                bool deviationOk) {
    m_deviation.clear();
    m_levelFit.clear();
    m_slope.clear();
    m_fMultipath = 0.0f;
    m_fLevel = 0.0f;
    const float c0 = coeff[0];
    const float c1 = coeff[1];
    const float c2 = coeff[2];
    const float c3 = coeff[3];
    // Amplitude model a(f) = c3 (1 + c2 f + c1 f^2 + c0 f^3), f in kHz, a in uV.
    if (c3 > 0.0f && std::isfinite(c3) && hi >= lo) {
        const auto n = static_cast<std::size_t>(hi - lo + 1);
        m_deviation.reserve(n);
        m_levelFit.reserve(n);
        m_slope.reserve(n);
        for (int i = lo; i <= hi; ++i) {
            const auto f = static_cast<float>(i);
            const float a = c3 + c2 * c3 * f + c1 * c3 * f * f + c0 * c3 * f * f * f;
            const float derivative = c2 * c3 + 2.0f * c1 * c3 * f + 3.0f * c0 * c3 * f * f;
            const float slope = derivative / a * 100.0f;
            m_deviation.push_back(f);
            m_levelFit.push_back(20.0f * std::log10(a));
            m_slope.push_back(slope);
            m_fMultipath = std::fmax(m_fMultipath, std::fabs(slope));
        }
        m_fLevel = 20.0f * std::log10(c3);
    }
    m_nStatus = Status(deviationOk, m_fLevel, m_fMultipath);
}

int CMultipathResult::Status(bool deviationOk, float level, float multipath) {
    if (!deviationOk) {
        return STATUS_DEVIATION_TOO_LOW;
    }
    if (level <= kMinimumLevel || multipath >= kMultipathLimit) {
        return STATUS_CONDITIONS_NOT_MET;
    }
    return STATUS_CONDITIONS_MET;
}

}  // namespace tavik

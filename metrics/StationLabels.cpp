#include "metrics/StationLabels.h"

namespace tavik {

bool CStationLabels::CSteady::Take(const std::string& text) {
    if (text != strCandidate) {
        strCandidate = text;
        nSeconds = 0;
    }
    if (++nSeconds < kSteadySeconds || strCandidate == strShown) {
        return false;
    }
    strShown = strCandidate;
    return true;
}

void CStationLabels::Second(const std::string& pi, const std::string& ps) {
    ++m_nSecond;
    m_pi.Take(pi);
    if (m_ps.Take(ps)) {
        m_psChanges.push_back(m_nSecond);
        if (m_psChanges.size() > static_cast<std::size_t>(kMaxPsChanges) + 2) {
            m_psChanges.pop_front();  // more than enough to know the PS is dynamic
        }
    }
    while (!m_psChanges.empty() && m_psChanges.front() <= m_nSecond - kHourSeconds) {
        m_psChanges.pop_front();
    }
}

std::string CStationLabels::PS() const {
    // The first steady text is no change from an earlier one.
    const bool dynamic = m_psChanges.size() > static_cast<std::size_t>(kMaxPsChanges) + 1;
    return dynamic ? std::string() : m_ps.strShown;
}

}  // namespace tavik

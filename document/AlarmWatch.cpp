#include "document/AlarmWatch.h"

namespace tavik {

void CAlarmWatch::Start(CTime now) {
    *this = CAlarmWatch();
    m_timeLastGroup = now;
}

void CAlarmWatch::OnRdsGroups(std::int64_t count, CTime now) {
    if (count > m_nGroups) {
        // The first count of a run only sets the reference: the decoder counts since its
        // construction, so groups before the start say nothing about now.
        if (m_nGroups >= 0) {
            m_timeLastGroup = now;
        }
        m_nGroups = count;
    }
}

std::optional<float> CAlarmWatch::GetRdsLostSeconds(CTime now) const {
    if (!m_timeLastGroup) {
        return std::nullopt;
    }
    return static_cast<float>((now - *m_timeLastGroup).GetTotalSeconds());
}

void CAlarmWatch::SConfirmed::Next(const std::string& text) {
    const bool stable = !text.empty() && text == strSeen;
    strSeen = text;
    if (!stable || text == strConfirmed) {
        return;
    }
    // The first confirmed text of a run is no change.
    bChanged = bChanged || !strConfirmed.empty();
    strConfirmed = text;
}

void CAlarmWatch::OnStation(const std::string& pi, const std::string& ps) {
    m_pi.Next(pi);
    m_ps.Next(ps);
}

void CAlarmWatch::ClearChanges() {
    m_pi.bChanged = false;
    m_ps.bChanged = false;
}

}  // namespace tavik

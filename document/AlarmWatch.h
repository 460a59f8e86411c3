#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Time.h"

namespace tavik {

// What the alarms on reception and RDS watch besides the current values: the RF level, when
// the RDS decoder last counted a new group, and the station's PI and PS once confirmed (the
// same in two decode passes in a row), with whether either changed since the last check.
class CAlarmWatch {
public:
    // A measurement (re)starts at `now`: RDS is missed from then on, nothing is confirmed.
    void Start(CTime now);
    // Checks without a start (a setup checked outside a run) miss RDS from the first of them.
    void StartIfIdle(CTime now) {
        if (!m_timeLastGroup) {
            m_timeLastGroup = now;
        }
    }
    void OnRfLevel(float dBuV) { m_fRfLevel = dBuV; }
    // The decoder's count of groups decoded; a higher count than before is RDS received.
    void OnRdsGroups(std::int64_t count, CTime now);
    // The PI and PS of a decode pass; empty when the pass has none.
    void OnStation(const std::string& pi, const std::string& ps);
    // After each alarm check: the changes have been seen.
    void ClearChanges();

    std::optional<float> GetRfLevel() const { return m_fRfLevel; }
    // Whole seconds since the last new group (or since the start when none came); empty
    // before a start.
    std::optional<float> GetRdsLostSeconds(CTime now) const;
    bool HasPiChanged() const { return m_pi.bChanged; }
    bool HasPsChanged() const { return m_ps.bChanged; }

private:
    struct SConfirmed {
        std::string strSeen;       // of the last pass
        std::string strConfirmed;  // seen the same in two passes in a row
        bool bChanged = false;     // the confirmed text changed since the last check
        void Next(const std::string& text);
    };

    std::optional<float> m_fRfLevel;
    std::optional<CTime> m_timeLastGroup;
    std::int64_t m_nGroups = -1;  // the decoder's count at the last new group
    SConfirmed m_pi;
    SConfirmed m_ps;
};

}  // namespace tavik

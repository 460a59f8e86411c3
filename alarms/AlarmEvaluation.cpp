#include "alarms/AlarmEvaluation.h"

namespace tavik {

CAlarmState CAlarmState::Of(const CAlarmItem& item) {
    return {item.m_bEnabled,      item.m_bPending,         item.m_bActive,
            item.m_bAcknowledged, item.m_timePendingSince, item.m_fTriggerValue};
}

void CAlarmState::ApplyTo(CAlarmItem& item) const {
    item.m_bEnabled = bEnabled;
    item.m_bPending = bPending;
    item.m_bActive = bActive;
    item.m_bAcknowledged = bAcknowledged;
    item.m_timePendingSince = timePendingSince;
    item.m_fTriggerValue = fTriggerValue;
}

CAlarmDecision EvaluateAlarm(const CAlarmItem& item, std::optional<float> measured, CTime now) {
    CAlarmDecision d{EAlarmAction::None, CAlarmState::Of(item)};
    CAlarmState& s = d.state;
    if (item.m_bResetRequested) {
        s.bEnabled = 0;
        s.bPending = 0;
        if (s.bActive) {
            s.bActive = 0;
            d.action = EAlarmAction::Deactivate;
        }
        return d;
    }
    bool condition = false;
    if (!measured) {
        return d;
    }
    if (CAlarmItem::IsChangeSource(item.m_nSource)) {
        condition = *measured != 0.0f;
    } else if (!CAlarmItem::EvaluateRelation(item.m_nRelation, *measured, item.m_fThreshold,
                                             condition)) {
        return d;
    }
    const auto activate = [&] {
        s.bActive = 1;
        s.bPending = 0;
        s.fTriggerValue = *measured;
        d.action = EAlarmAction::Activate;
    };
    if (!s.bActive && !s.bPending) {
        if (!condition) {
            return d;
        }
        if (item.m_spanDelay.GetTotalSeconds() == 0) {
            activate();
        } else {
            s.timePendingSince = now;
            s.bPending = 1;
        }
        return d;
    }
    if (!condition) {
        s.bPending = 0;
        if (s.bActive && item.m_nAcknowledge == ALARM_ACKNOWLEDGE_NO) {
            s.bActive = 0;
            d.action = EAlarmAction::Deactivate;
        } else if (s.bAcknowledged) {
            s.bAcknowledged = 0;
            s.bActive = 0;
            d.action = EAlarmAction::Deactivate;
        }
        return d;
    }
    // Whole seconds on the absolute clock: exact at the boundary and unaffected by a change
    // of local time between the two checks.
    if (s.bPending &&
        (now - s.timePendingSince).GetTotalSeconds() > item.m_spanDelay.GetTotalSeconds()) {
        activate();
    }
    return d;
}

}  // namespace tavik

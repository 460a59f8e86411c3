#pragma once

#include <cstdint>
#include <optional>

#include "alarms/AlarmItem.h"
#include "platform/Time.h"

namespace tavik {

// The run-time state of an alarm that a check changes.
struct CAlarmState {
    std::int32_t bEnabled = 0;
    std::int32_t bPending = 0;
    std::int32_t bActive = 0;
    std::int32_t bAcknowledged = 0;
    CTime timePendingSince;
    float fTriggerValue = 0.0f;

    static CAlarmState Of(const CAlarmItem& item);
    void ApplyTo(CAlarmItem& item) const;
};

// What a check asks of the receiver and the views.
enum class EAlarmAction {
    None,
    Activate,    // switch the output on, then tell the views (and ask, with acknowledge YES)
    Deactivate,  // switch the output off, then tell the views
};

struct CAlarmDecision {
    EAlarmAction action = EAlarmAction::None;
    CAlarmState state;  // the alarm's state after the check
};

// One check of an enabled alarm: a function of the alarm, the value measured for its source
// (none before the first measurement: no verdict) and the time. A reset request ends the
// alarm; otherwise the condition starts the delay, activates after more than the delay's
// whole seconds, and a cleared condition ends the alarm at once with acknowledge NO, or once
// the user answered "No" to the question.
CAlarmDecision EvaluateAlarm(const CAlarmItem& item, std::optional<float> measured, CTime now);

}  // namespace tavik

#include <cmath>
#include <vector>

#include "alarms/AlarmEvaluation.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {

void CTAVIKSDIDoc::SetAlarm(const std::string& name, std::unique_ptr<CAlarmItem> item) {
    m_alarms.SetAt(name, std::move(item));
    SetModifiedFlag();
}

CAlarmItem* CTAVIKSDIDoc::GetAlarm(std::string& name) {
    if (!name.empty()) {
        return m_alarms.Lookup(name);
    }
    if (m_nAlarmPosition >= m_alarms.GetCount()) {
        m_nAlarmPosition = kNoAlarmPosition;
        return nullptr;
    }
    const CAlarmMap::Entry& entry = m_alarms.GetAt(m_nAlarmPosition++);
    name = entry.key;
    return entry.item.get();
}

bool CTAVIKSDIDoc::StartAlarmIteration() {
    if (m_alarms.IsEmpty()) {
        return false;
    }
    m_nAlarmPosition = 0;
    return true;
}

void CTAVIKSDIDoc::RemoveAlarm(const std::string& name) {
    if (m_alarms.RemoveKey(name)) {
        SetModifiedFlag();
    }
}

void CTAVIKSDIDoc::RequestAlarmReset(CAlarmItem& item) {
    // While measuring, the next check switches the output off and reports the reset.
    item.m_bResetRequested = 1;
    if (!IsRunning()) {
        item.m_bEnabled = 0;
    }
}

bool CTAVIKSDIDoc::AskAlarmAcknowledge(const std::string& name, std::function<void(int)> answered) {
    if (m_alarms.Lookup(name) == nullptr || !m_openAlarmQuestions.insert(name).second) {
        return false;
    }
    GetPrompt().Ask(name + " has caused an alarm. Do you want to disable it ?",
                    MB_YESNO | MB_ICONQUESTION,
                    [this, name, answered = std::move(answered)](int answer) {
                        m_openAlarmQuestions.erase(name);
                        // The alarm may have been removed or reset while the box was open:
                        // then the answer is moot and the asker is not told of it.
                        const CAlarmItem* item = m_alarms.Lookup(name);
                        const bool live = item != nullptr && item->m_bActive;
                        AnswerAlarmPrompt(name, answer == IDYES);
                        if (live && answered) {
                            answered(answer);
                        }
                    });
    return true;
}

bool CTAVIKSDIDoc::AnswerAlarmPrompt(const std::string& name, bool disable) {
    CAlarmItem* item = m_alarms.Lookup(name);
    if (item == nullptr) {
        return false;
    }
    if (!item->m_bActive) {
        return true;
    }
    if (disable) {
        RequestAlarmReset(*item);
    } else {
        item->m_bAcknowledged = 1;
    }
    return true;
}

bool CTAVIKSDIDoc::SetAlarmChecked(const std::string& name, bool checked) {
    CAlarmItem* item = m_alarms.Lookup(name);
    if (item == nullptr) {
        return false;
    }
    if (checked) {
        item->m_bEnabled = 1;
        item->m_bResetRequested = 0;
    } else {
        RequestAlarmReset(*item);
    }
    return true;
}

void CTAVIKSDIDoc::DisableAllAlarms() {
    for (const CAlarmMap::Entry& entry : m_alarms) {
        CAlarmItem& item = *entry.item;
        item.m_bResetRequested = 1;
        item.m_bEnabled = 0;
        item.m_bActive = 0;
        item.m_bPending = 0;
    }
}

// Compares every enabled alarm with the current values, once per main-timer tick.
void CTAVIKSDIDoc::CheckAlarm() {
    // The next check compares the peak of the blocks that come after this one.
    // A PI or PS change fires the checks of this tick only.
    struct SPeakReset {
        std::optional<float>& peak;
        CAlarmWatch& watch;
        ~SPeakReset() {
            peak.reset();
            watch.ClearChanges();
        }
    } const peakReset{m_fDeviationPeakSinceCheck, m_alarmWatch};
    m_alarmWatch.StartIfIdle(GetClock().Now());
    // A view may change the set while handling a hint, so the walk goes by name over a
    // snapshot and looks each item up afresh instead of holding a position into the set.
    std::vector<std::string> names;
    names.reserve(m_alarms.GetCount());
    for (const CAlarmMap::Entry& entry : m_alarms) {
        names.push_back(entry.key);
    }
    for (const std::string& name : names) {
        CAlarmItem* item = m_alarms.Lookup(name);
        if (item == nullptr || !item->m_bEnabled) {
            continue;
        }
        try {
            CheckAlarmItem(name, *item);
        } catch (CTavikControlException& e) {
            // Output switches come before the hints, so the item still exists here.
            item->m_bResetRequested = 1;
            e.AppendMessage("CheckAlarm()\n");
            throw;
        }
    }
}

void CTAVIKSDIDoc::SwitchAlarmOutput(CAlarmItem& item, bool on) {
    // An action outside its table would send an arbitrary output number (10 is every output):
    // such an alarm is evaluated and logged, but switches nothing.
    if (item.m_nAction < 0 || item.m_nAction >= ALARM_ACTION_COUNT) {
        return;
    }
    // Only a throw counts as failure; the result is ignored as for every action.
    static_cast<void>(m_device.SetAlarmOutput(item.m_nAction, on));
}

void CTAVIKSDIDoc::SendAlarmHints(const std::string& name, CAlarmItem& item) {
    const bool ask = item.m_nAcknowledge == ALARM_ACKNOWLEDGE_YES;
    UpdateAllViews(nullptr, HINT_ALARM_STATE, &item);
    // A view may have changed the set while handling the first hint.
    if (ask && m_alarms.Lookup(name) == &item) {
        UpdateAllViews(nullptr, HINT_ALARM_PROMPT, &item);
    }
}

std::optional<float> CTAVIKSDIDoc::GetAlarmSourceValue(std::int32_t source) const {
    // The quantities of the air are there with or without a carrier: they watch it go.
    switch (source) {
        case ALARM_SOURCE_RF_LEVEL:
            return m_alarmWatch.GetRfLevel();
        case ALARM_SOURCE_CARRIER_NOISE:
            // Only a live receiver reports C/N; a recording has none.
            if (m_reception && !std::isnan(m_reception->fCarrierToNoise)) {
                return m_reception->fCarrierToNoise;
            }
            return std::nullopt;
        case ALARM_SOURCE_RDS_LOST:
            return m_alarmWatch.GetRdsLostSeconds(GetClock().Now());
        case ALARM_SOURCE_PI_CHANGE:
            return m_alarmWatch.HasPiChanged() ? 1.0f : 0.0f;
        case ALARM_SOURCE_PS_CHANGE:
            return m_alarmWatch.HasPsChanged() ? 1.0f : 0.0f;
        default:
            break;
    }
    // Without a carrier the values of the programme would be noise's: not evaluated until it
    // is back.
    if (!HasSignal()) {
        return std::nullopt;
    }
    const CCurrentValues values = GetCurrentValues();
    const std::optional<CMpxReadings>& readings = GetMpxReadings();  // none before a second
    switch (source) {
        case ALARM_SOURCE_MPX_POWER:
            return values.m_fMpxPower;
        case ALARM_SOURCE_DEVIATION:
            // The peak of the blocks since the previous check; the last value when none came.
            return m_fDeviationPeakSinceCheck ? m_fDeviationPeakSinceCheck : values.m_fDeviation;
        case ALARM_SOURCE_MULTIPATH:
            return values.m_fMultipath;
        case ALARM_SOURCE_PILOT:
            return readings ? readings->pilotKhz : std::nullopt;
        case ALARM_SOURCE_RDS_INJECTION:
            return readings ? readings->rdsKhz : std::nullopt;
        case ALARM_SOURCE_SILENCE:
            // Seconds in a row the programme stayed below the silence level.
            return readings ? std::optional<float>(static_cast<float>(readings->quietSeconds))
                            : std::nullopt;
        default:
            return std::nullopt;
    }
}

void CTAVIKSDIDoc::CheckAlarmItem(const std::string& name, CAlarmItem& item) {
    if (!CAlarmItem::IsKnownSource(item.m_nSource)) {
        return;
    }
    std::optional<float> measured;
    if (!item.m_bResetRequested) {
        measured = GetAlarmSourceValue(item.m_nSource);
    }
    const CAlarmDecision decision = EvaluateAlarm(item, measured, GetClock().Now());
    switch (decision.action) {
        case EAlarmAction::None:
            decision.state.ApplyTo(item);
            break;
        case EAlarmAction::Activate:
            // Active before the output is switched: a failed switch leaves an active alarm
            // whose reset switches the output off.
            decision.state.ApplyTo(item);
            SwitchAlarmOutput(item, true);
            SendAlarmHints(name, item);
            break;
        case EAlarmAction::Deactivate: {
            // Inactive only once the output is off: after a failed switch the alarm stays
            // active, and the reset that the failure requests switches it off again.
            CAlarmState switching = decision.state;
            switching.bActive = 1;
            switching.ApplyTo(item);
            SwitchAlarmOutput(item, false);
            item.m_bActive = 0;
            UpdateAllViews(nullptr, HINT_ALARM_STATE, &item);
            break;
        }
    }
}

}  // namespace tavik

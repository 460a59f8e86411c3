#pragma once

#include <cstdint>
#include <string>

#include "platform/Archive.h"
#include "platform/Time.h"

namespace tavik {

// Indices of the coded fields, as stored in the document file.
enum AlarmSource : std::int32_t {
    ALARM_SOURCE_MPX_POWER = 0,
    ALARM_SOURCE_DEVIATION = 1,
    ALARM_SOURCE_MULTIPATH = 2,
    // Sources that files before them do not know: stored apart, so that such files still
    // load where these sources are unknown.
    ALARM_SOURCE_RF_LEVEL = 3,       // dBuV, carrier lost or weak
    ALARM_SOURCE_CARRIER_NOISE = 4,  // dB, a live receiver's C/N
    ALARM_SOURCE_RDS_LOST = 5,       // seconds without a new RDS group
    ALARM_SOURCE_PI_CHANGE = 6,      // a confirmed PI changed (threshold unused)
    ALARM_SOURCE_PS_CHANGE = 7,      // a confirmed PS changed (threshold unused)
    ALARM_SOURCE_PILOT = 8,          // kHz, pilot injection
    ALARM_SOURCE_RDS_INJECTION = 9,  // kHz, RDS injection
    ALARM_SOURCE_SILENCE = 10,       // seconds of silence
    ALARM_SOURCE_COUNT = 11,
    ALARM_SOURCE_FIRST_APART = ALARM_SOURCE_RF_LEVEL,
};
enum AlarmRelation : std::int32_t {
    ALARM_RELATION_LESS = 0,
    ALARM_RELATION_LESS_EQUAL = 1,
    ALARM_RELATION_EQUAL = 2,
    ALARM_RELATION_GREATER = 3,
    ALARM_RELATION_GREATER_EQUAL = 4,
    ALARM_RELATION_COUNT = 5,
};
enum AlarmAction : std::int32_t {
    ALARM_ACTION_OUTPUT_1 = 0,
    ALARM_ACTION_OUTPUT_2 = 1,
    ALARM_ACTION_LOG_ONLY = 2,
    ALARM_ACTION_COUNT = 3,
};
enum AlarmAcknowledge : std::int32_t {
    ALARM_ACKNOWLEDGE_YES = 0,  // ask the user when the alarm goes active
    ALARM_ACKNOWLEDGE_NO = 1,   // switch off by itself when the condition clears
    ALARM_ACKNOWLEDGE_COUNT = 2,
};

// One alarm definition: a named rule on one measured quantity, with its run-time state. New
// items, built by the form or read from a file, start disabled with a reset request pending.
class CAlarmItem {
public:
    static constexpr const char* kClassName = "CAlarmItem";
    static constexpr std::uint16_t kSchema = 1;
    // Longest delay accepted from a file: the form edits it as a 32-bit count of seconds.
    static constexpr std::int64_t kMaxDelaySeconds = 0x7FFFFFFF;

    CAlarmItem() = default;
    CAlarmItem(std::string name, std::int32_t source, std::int32_t relation, float threshold,
               std::int32_t action, COleDateTimeSpan delay, std::int32_t acknowledge);
    virtual ~CAlarmItem() = default;

    // The record in the document file: 33 bytes plus the name's length byte(s) and characters.
    // Loading reads the coded fields only; the run-time fields keep their values.
    virtual void Serialize(CArchive& ar);

    // Value-table texts; an index outside its table gives "".
    static const char* GetSourceText(std::int32_t source);      // "MPX_POWER", ...
    static const char* GetSourceFormText(std::int32_t source);  // "MPX-POWER", ... (drop-down)
    static const char* GetUnitText(std::int32_t source);
    // Whether the source is known to this build.
    static bool IsKnownSource(std::int32_t source);
    // Sources that fire on a change: the value is 1 for a change since the last check, else
    // 0; relation and threshold are not used.
    static bool IsChangeSource(std::int32_t source);
    // Sources stored after the setup, where readers that do not know them never look.
    static bool IsStoredApart(std::int32_t source);
    static const char* GetRelationText(std::int32_t relation);
    static const char* GetActionText(std::int32_t action);
    static const char* GetAcknowledgeText(std::int32_t acknowledge);

    // Evaluates `value relation threshold` in single precision ("=" is exact equality). Returns
    // false when the relation is outside its table; the condition is then left unset.
    static bool EvaluateRelation(std::int32_t relation, float value, float threshold,
                                 bool& condition);

    float m_fTriggerValue = 0.0f;  // the value at the moment the alarm last went active
    std::string m_strName;
    std::int32_t m_bAcknowledged = 0;  // the user answered "No": switch off once it clears
    std::int32_t m_nAcknowledge = ALARM_ACKNOWLEDGE_YES;
    CTime m_timePendingSince;  // when the condition was first met while the delay runs
    COleDateTimeSpan m_spanDelay;
    std::int32_t m_nAction = ALARM_ACTION_OUTPUT_1;
    float m_fThreshold = 0.0f;
    std::int32_t m_nRelation = ALARM_RELATION_LESS;
    std::int32_t m_nSource = ALARM_SOURCE_MPX_POWER;
    std::int32_t m_bPending = 0;
    std::int32_t m_bActive = 0;
    std::int32_t m_bResetRequested = 1;
    std::int32_t m_bEnabled = 0;
};

}  // namespace tavik

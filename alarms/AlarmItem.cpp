#include "alarms/AlarmItem.h"

#include <array>
#include <cmath>
#include <utility>

namespace tavik {
namespace {

template <std::size_t N>
const char* TableText(const std::array<const char*, N>& table, std::int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < N ? table[index] : "";
}

constexpr std::array<const char*, ALARM_SOURCE_COUNT> kSources{
    "MPX_POWER", "DEVIATION", "MULTIPATH", "RFLEVEL",       "CN",     "RDS_LOST",
    "PI_CHANGE", "PS_CHANGE", "PILOT",     "RDS_INJECTION", "SILENCE"};
constexpr std::array<const char*, ALARM_SOURCE_COUNT> kFormSources{
    "MPX-POWER", "DEVIATION", "MULTIPATH", "RF-LEVEL",      "C/N",    "RDS-LOST",
    "PI-CHANGE", "PS-CHANGE", "PILOT",     "RDS-INJECTION", "SILENCE"};
constexpr std::array<const char*, ALARM_SOURCE_COUNT> kUnits{
    "dBr", "kHz", "%/kHz", "dBuV", "dB", "s", "", "", "kHz", "kHz", "s"};
constexpr std::array<const char*, ALARM_RELATION_COUNT> kRelations{"<", "<=", "=", ">", ">="};
constexpr std::array<const char*, ALARM_ACTION_COUNT> kActions{"SET ALARM 1", "SET ALARM 2",
                                                               "LOG ONLY"};
constexpr std::array<const char*, ALARM_ACKNOWLEDGE_COUNT> kAcknowledge{"YES", "NO"};

}  // namespace

CAlarmItem::CAlarmItem(std::string name, std::int32_t source, std::int32_t relation,
                       float threshold, std::int32_t action, COleDateTimeSpan delay,
                       std::int32_t acknowledge)
    : m_strName(std::move(name)),
      m_nAcknowledge(acknowledge),
      m_spanDelay(delay),
      m_nAction(action),
      m_fThreshold(threshold),
      m_nRelation(relation),
      m_nSource(source) {}

void CAlarmItem::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteInt32(m_nAcknowledge);
        ar.WriteInt32(m_nAction);
        ar.WriteInt32(m_spanDelay.GetStatus());
        ar.WriteDouble(m_spanDelay.GetDays());
        ar.WriteInt32(m_nRelation);
        ar.WriteInt32(m_nSource);
        ar.WriteFloat(m_fThreshold);
        ar.WriteString(m_strName);
        return;
    }
    m_nAcknowledge = ar.ReadInt32();
    m_nAction = ar.ReadInt32();
    const std::int32_t status = ar.ReadInt32();
    const double days = ar.ReadDouble();
    // The delay is always a valid span of whole seconds; anything else would make the delay
    // arithmetic meaningless, so the file is taken as damaged.
    if (status != COleDateTimeSpan::valid || !std::isfinite(days) || days < 0.0 ||
        days * 86400.0 > static_cast<double>(kMaxDelaySeconds)) {
        ar.Fail("alarm delay is not a valid span");
    }
    m_spanDelay = COleDateTimeSpan(days);
    m_nRelation = ar.ReadInt32();
    m_nSource = ar.ReadInt32();
    m_fThreshold = ar.ReadFloat();
    m_strName = ar.ReadString();
}

const char* CAlarmItem::GetSourceText(std::int32_t source) {
    return TableText(kSources, source);
}

const char* CAlarmItem::GetSourceFormText(std::int32_t source) {
    return TableText(kFormSources, source);
}

const char* CAlarmItem::GetUnitText(std::int32_t source) {
    return TableText(kUnits, source);
}

bool CAlarmItem::IsKnownSource(std::int32_t source) {
    return source >= 0 && source < ALARM_SOURCE_COUNT;
}

bool CAlarmItem::IsChangeSource(std::int32_t source) {
    return source == ALARM_SOURCE_PI_CHANGE || source == ALARM_SOURCE_PS_CHANGE;
}

bool CAlarmItem::IsStoredApart(std::int32_t source) {
    return source >= ALARM_SOURCE_FIRST_APART;
}

const char* CAlarmItem::GetRelationText(std::int32_t relation) {
    return TableText(kRelations, relation);
}

const char* CAlarmItem::GetActionText(std::int32_t action) {
    return TableText(kActions, action);
}

const char* CAlarmItem::GetAcknowledgeText(std::int32_t acknowledge) {
    return TableText(kAcknowledge, acknowledge);
}

bool CAlarmItem::EvaluateRelation(std::int32_t relation, float value, float threshold,
                                  bool& condition) {
    switch (relation) {
        case ALARM_RELATION_LESS:
            condition = value < threshold;
            return true;
        case ALARM_RELATION_LESS_EQUAL:
            condition = value <= threshold;
            return true;
        case ALARM_RELATION_EQUAL:
            condition = value == threshold;
            return true;
        case ALARM_RELATION_GREATER:
            condition = value > threshold;
            return true;
        case ALARM_RELATION_GREATER_EQUAL:
            condition = value >= threshold;
            return true;
        default:
            return false;
    }
}

}  // namespace tavik

#include "document/SetupRules.h"

#include <cmath>
#include <limits>

#include "platform/TextParse.h"

namespace tavik::setup_rules {

std::string CheckAlarmName(const std::string& name) {
    if (name.empty()) {
        return "Please enter a name.";
    }
    if (name.size() > kMaxNameLength) {
        return "\"" + name + "\" is longer than 20 characters";
    }
    return CheckStoredAlarmName(name);
}

std::string CheckStoredAlarmName(const std::string& name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return "must not hold control characters (a line break, a tab)";
        }
    }
    return {};
}

SThresholdRange ThresholdRange(std::int32_t source) {
    switch (source) {
        case ALARM_SOURCE_MPX_POWER:
            return {"MPX power", -60.0, 20.0, "dBr"};
        case ALARM_SOURCE_DEVIATION:
            return {"Deviation", 0.0, kMaxDeviationLimit, "kHz"};
        case ALARM_SOURCE_MULTIPATH:
            return {"Multipath", 0.0, 100.0, "%/kHz"};
        case ALARM_SOURCE_RF_LEVEL:  // from no carrier at all to a strong local one
            return {"RF level", -20.0, 120.0, "dBuV"};
        case ALARM_SOURCE_CARRIER_NOISE:
            return {"C/N", -10.0, 60.0, "dB"};
        case ALARM_SOURCE_RDS_LOST:
            return {"RDS lost", 0.0, 3600.0, "s"};
        case ALARM_SOURCE_PI_CHANGE:  // unused: any change fires
            return {"PI change", 0.0, 0.0, ""};
        case ALARM_SOURCE_PS_CHANGE:
            return {"PS change", 0.0, 0.0, ""};
        case ALARM_SOURCE_PILOT:  // 6.75 to 7.5 kHz as broadcast; 20 is far beyond
            return {"Pilot injection", 0.0, 20.0, "kHz"};
        case ALARM_SOURCE_RDS_INJECTION:
            return {"RDS injection", 0.0, 10.0, "kHz"};
        case ALARM_SOURCE_SILENCE:
            return {"Silence", 0.0, 3600.0, "s"};
        default:  // no source of the table: what a single-precision threshold holds
            return {"the alarm", 0.0, static_cast<double>(std::numeric_limits<float>::max()), ""};
    }
}

namespace {

std::string OutsideRange(std::int32_t source) {
    const SThresholdRange range = ThresholdRange(source);
    return std::string("The threshold for ") + range.name + " must be a number from " +
           FormatNumber(range.lowest, 6) + " to " + FormatNumber(range.highest, 6) +
           (*range.unit != '\0' ? " " : "") + range.unit + ".";
}

}  // namespace

std::string CheckThreshold(std::int32_t source, double threshold) {
    if (CAlarmItem::IsChangeSource(source)) {
        return {};  // not used
    }
    const SThresholdRange range = ThresholdRange(source);
    if (threshold < 0.0 && range.lowest >= 0.0) {
        return "Please enter a threshold greater than\nor equal to zero.";
    }
    // NaN fails every comparison: the negated test refuses it with the values out of range.
    if (!(threshold >= range.lowest && threshold <= range.highest)) {
        return OutsideRange(source);
    }
    return {};
}

std::string CheckStoredThreshold(std::int32_t source, double threshold) {
    // A change uses no threshold, but `setup show` still writes it as a number.
    if (threshold < 0.0 && ThresholdRange(source).lowest >= 0.0 &&
        !CAlarmItem::IsChangeSource(source)) {
        return "Please enter a threshold greater than\nor equal to zero.";
    }
    if (!std::isfinite(threshold)) {
        return OutsideRange(source);
    }
    return {};
}

std::string CheckDelay(std::int64_t seconds) {
    if (seconds < 0) {
        return "Please enter a delay greater than\nor equal to zero.";
    }
    if (seconds > CAlarmItem::kMaxDelaySeconds) {
        return std::to_string(seconds) + " is longer than 2147483647 s";
    }
    return {};
}

std::string CheckFrequency(double megahertz) {
    if (!(megahertz >= kLowestMegahertz && megahertz <= kHighestMegahertz)) {
        return FormatNumber(megahertz, 6) + " is outside 87.5 to 108 MHz";
    }
    // A thousandth of a step: a single-precision frequency read from a file is still on it.
    const double steps = (megahertz - kLowestMegahertz) / kGridMegahertz;
    if (std::fabs(steps - std::round(steps)) > 1e-3) {
        return FormatNumber(megahertz, 6) + " is not on the 25 kHz grid (nearest: " +
               FormatNumber(kLowestMegahertz + std::round(steps) * kGridMegahertz, 3) + ")";
    }
    return {};
}

std::string CheckDeviationLimit(double kilohertz) {
    if (!(kilohertz >= 0.0 && kilohertz <= kMaxDeviationLimit)) {
        return FormatNumber(kilohertz, 6) + " is outside 0 to 110 kHz";
    }
    return {};
}

std::string CheckDeemphasis(std::int64_t microseconds) {
    if (microseconds != 50 && microseconds != 75) {
        return "The de-emphasis must be 50 or 75 us.";
    }
    return {};
}

std::string CheckSilenceDb(double decibels) {
    // NaN fails both comparisons and is refused with the values out of range.
    if (!(decibels > -90.0 && decibels < 0.0)) {
        return "The silence threshold must be a number above -90 and below 0 dB.";
    }
    return {};
}

std::string CheckSilenceSeconds(std::int64_t seconds) {
    if (seconds < 1 || seconds > 3600) {
        return "The silence duration must be a whole number from 1 to 3600 s.";
    }
    return {};
}

namespace {

std::string Coded(std::int32_t value, std::int32_t count) {
    if (value < 0 || value >= count) {
        return std::to_string(value) + " is not one of the " + std::to_string(count) + " choices";
    }
    return {};
}

std::string Flag(std::int32_t value) {
    return value == 0 || value == 1 ? std::string() : std::to_string(value) + " is not 0 or 1";
}

}  // namespace

std::string CheckSetup(const CProtocolHeader& header, const CAlarmMap& alarms) {
    const auto first = [](std::initializer_list<std::pair<const char*, std::string>> checks) {
        for (const auto& [field, reason] : checks) {
            if (!reason.empty()) {
                return std::string(field) + ": " + reason;
            }
        }
        return std::string();
    };
    std::string reason = first({
        {"receiver.frequency_mhz", CheckFrequency(header.m_fFrequency)},
        {"receiver.antenna", Flag(header.m_nAntenna)},
        {"analysis.window_function", Coded(static_cast<std::int32_t>(header.m_nWindowFunction), 3)},
        {"analysis.deviation_limit_khz", CheckDeviationLimit(header.m_fDeviationLimit)},
        {"analysis.limit_triangle", Flag(header.m_bLimitTriangle)},
        {"analysis.filter", Flag(header.m_bFilter)},
        {"analysis.deemphasis_us", CheckDeemphasis(header.m_nDeemphasis)},
        {"analysis.silence_db", CheckSilenceDb(header.m_fSilenceDb)},
        {"analysis.silence_seconds", CheckSilenceSeconds(header.m_nSilenceSeconds)},
    });
    if (!reason.empty()) {
        return reason;
    }
    if (alarms.GetCount() > kMaxAlarms) {
        return "alarms: " + std::to_string(alarms.GetCount()) + " are more than " +
               std::to_string(kMaxAlarms);
    }
    std::size_t index = 0;
    for (const CAlarmMap::Entry& entry : alarms) {
        const CAlarmItem& item = *entry.item;
        const std::string field = "alarms[" + std::to_string(index++) + "].";
        for (const auto& [name, why] : std::initializer_list<std::pair<const char*, std::string>>{
                 {"name", CheckStoredAlarmName(entry.key)},
                 {"source", Coded(item.m_nSource, ALARM_SOURCE_COUNT)},
                 {"relation", Coded(item.m_nRelation, ALARM_RELATION_COUNT)},
                 {"threshold", CheckStoredThreshold(item.m_nSource, item.m_fThreshold)},
                 {"delay_s", CheckDelay(item.m_spanDelay.GetTotalSeconds())},
                 {"action", Coded(item.m_nAction, ALARM_ACTION_COUNT)},
                 {"acknowledge", Coded(item.m_nAcknowledge, ALARM_ACKNOWLEDGE_COUNT)},
             }) {
            if (!why.empty()) {
                return field + name + ": " + why;
            }
        }
    }
    return {};
}

}  // namespace tavik::setup_rules

#include "app/SetupJson.h"

#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <map>
#include <vector>

#include "document/SetupRules.h"
#include "platform/TextParse.h"

namespace tavik {

namespace {

using H = CProtocolHeader;

constexpr std::array<std::pair<H::StringField, const char*>, 10> kHeaderKeys{{
    {H::OPERATOR, "operator"},
    {H::ORGANISATION, "organisation"},
    {H::ANTENNA_A_TYPE, "antenna_a_type"},
    {H::ANTENNA_A_HEIGHT, "antenna_a_height"},
    {H::ANTENNA_A_POLARISATION, "antenna_a_polarisation"},
    {H::ANTENNA_B_TYPE, "antenna_b_type"},
    {H::ANTENNA_B_HEIGHT, "antenna_b_height"},
    {H::ANTENNA_B_POLARISATION, "antenna_b_polarisation"},
    {H::COMMENT, "comment"},
    {H::LOCATION, "location"},
}};
constexpr std::array<const char*, 3> kWindows{"None", "Bartlett", "Blackman"};

[[noreturn]] void Fail(const std::string& field, const std::string& reason) {
    throw CSetupError(field + ": " + reason);
}

// The members of an object, refusing keys it does not know (a misspelt key is never
// silently ignored).
const CJson& Object(const CJson& json, const std::string& field,
                    std::initializer_list<const char*> keys) {
    if (!json.is_object()) {
        Fail(field, "must be an object");
    }
    for (const auto& [key, value] : json.items()) {
        bool known = false;
        for (const char* name : keys) {
            known = known || key == name;
        }
        if (!known) {
            Fail(field.empty() ? key : field + "." + key, "is not a setup field");
        }
    }
    return json;
}

std::string Text(const CJson& value, const std::string& field) {
    if (!value.is_string()) {
        Fail(field, "must be a text");
    }
    return value.get<std::string>();
}

double Number(const CJson& value, const std::string& field) {
    if (!value.is_number()) {
        Fail(field, "must be a number");
    }
    return value.get<double>();
}

bool Boolean(const CJson& value, const std::string& field) {
    if (!value.is_boolean()) {
        Fail(field, "must be true or false");
    }
    return value.get<bool>();
}

// The index of `text` among `count` table texts got by `name`; -1 when none.
template <class F>
std::int32_t Index(const std::string& text, std::int32_t count, F name) {
    for (std::int32_t i = 0; i < count; ++i) {
        if (text == name(i)) {
            return i;
        }
    }
    return -1;
}

template <class F>
std::int32_t Choice(const CJson& value, const std::string& field, std::int32_t count, F name) {
    const std::string text = Text(value, field);
    const std::int32_t index = Index(text, count, name);
    if (index < 0) {
        std::string choices;
        for (std::int32_t i = 0; i < count; ++i) {
            choices += std::string(i == 0           ? ""
                                   : i + 1 == count ? " or "
                                                    : ", ") +
                       "\"" + name(i) + "\"";
        }
        Fail(field, "\"" + text + "\" is not " + choices);
    }
    return index;
}

void ReadReceiver(const CJson& json, H& header) {
    Object(json, "receiver", {"frequency_mhz", "antenna"});
    if (json.contains("frequency_mhz")) {
        const std::string field = "receiver.frequency_mhz";
        const double megahertz = Number(json["frequency_mhz"], field);
        if (const std::string fault = CSetupJson::FrequencyFault(megahertz); !fault.empty()) {
            Fail(field, fault);
        }
        header.m_fFrequency = static_cast<float>(megahertz);
    }
    if (json.contains("antenna")) {
        // Antenna A is input 1, antenna B input 0.
        const char* names[] = {"A", "B"};
        header.m_nAntenna = Choice(json["antenna"], "receiver.antenna", 2,
                                   [&](std::int32_t i) { return names[i]; }) == 0
                                ? 1
                                : 0;
    }
}

// A whole number; one beyond 64 bits reads as the largest, which every range refuses.
std::int64_t WholeNumber(const CJson& value, const std::string& field) {
    if (!value.is_number_integer()) {
        Fail(field, "must be a whole number");
    }
    return value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX
               ? INT64_MAX
               : value.get<std::int64_t>();
}

// The stereo decoder's settings of "analysis", with the parameter page's messages.
void ReadDecoder(const CJson& json, H& header) {
    if (json.contains("deemphasis_us")) {
        const std::string field = "analysis.deemphasis_us";
        const std::int64_t us = WholeNumber(json["deemphasis_us"], field);
        if (const std::string reason = setup_rules::CheckDeemphasis(us); !reason.empty()) {
            Fail(field, reason);
        }
        header.m_nDeemphasis = static_cast<std::int32_t>(us);
    }
    if (json.contains("silence_db")) {
        const std::string field = "analysis.silence_db";
        const double db = Number(json["silence_db"], field);
        if (const std::string reason = setup_rules::CheckSilenceDb(db); !reason.empty()) {
            Fail(field, reason);
        }
        header.m_fSilenceDb = static_cast<float>(db);
    }
    if (json.contains("silence_seconds")) {
        const std::string field = "analysis.silence_seconds";
        const std::int64_t seconds = WholeNumber(json["silence_seconds"], field);
        if (const std::string reason = setup_rules::CheckSilenceSeconds(seconds); !reason.empty()) {
            Fail(field, reason);
        }
        header.m_nSilenceSeconds = static_cast<std::int32_t>(seconds);
    }
}

void ReadAnalysis(const CJson& json, H& header) {
    Object(json, "analysis",
           {"window_function", "deviation_limit_khz", "limit_triangle", "filter", "deemphasis_us",
            "silence_db", "silence_seconds"});
    ReadDecoder(json, header);
    if (json.contains("window_function")) {
        header.m_nWindowFunction = static_cast<std::uint32_t>(
            Choice(json["window_function"], "analysis.window_function", 3,
                   [](std::int32_t i) { return kWindows[static_cast<std::size_t>(i)]; }));
    }
    if (json.contains("deviation_limit_khz")) {
        const std::string field = "analysis.deviation_limit_khz";
        const double limit = Number(json["deviation_limit_khz"], field);
        if (const std::string reason = setup_rules::CheckDeviationLimit(limit); !reason.empty()) {
            Fail(field, reason);
        }
        header.m_fDeviationLimit = static_cast<float>(limit);
    }
    if (json.contains("limit_triangle")) {
        header.m_bLimitTriangle = Boolean(json["limit_triangle"], "analysis.limit_triangle");
    }
    if (json.contains("filter")) {
        header.m_bFilter = Boolean(json["filter"], "analysis.filter");
    }
}

std::unique_ptr<CAlarmItem> ReadAlarm(const CJson& json, const std::string& field) {
    Object(json, field,
           {"name", "source", "relation", "threshold", "unit", "delay_s", "action", "acknowledge"});
    for (const char* key : {"name", "source"}) {
        if (!json.contains(key)) {
            Fail(field + "." + key, "is missing");
        }
    }
    // The form's own checks, with its texts (the threshold's after the source, whose range it
    // takes).
    const std::string name = Text(json["name"], field + ".name");
    if (const std::string reason = setup_rules::CheckAlarmName(name); !reason.empty()) {
        Fail(field + ".name", reason);
    }
    std::int64_t delay = 0;
    if (json.contains("delay_s")) {
        const CJson& value = json["delay_s"];
        if (!value.is_number_integer()) {
            Fail(field + ".delay_s", "must be a whole number of seconds");
        }
        // Beyond 64 bits (2^63 and above) the text is a number all the same: too long a delay.
        delay = value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX
                    ? INT64_MAX
                    : value.get<std::int64_t>();
        if (const std::string reason = setup_rules::CheckDelay(delay); !reason.empty()) {
            Fail(field + ".delay_s",
                 delay == INT64_MAX ? value.dump() + " is longer than 2147483647 s" : reason);
        }
    }
    // Sources by the list's text ("MPX_POWER") or the form's ("MPX-POWER").
    std::int32_t source = -1;
    if (json["source"].is_string()) {
        const std::string text = json["source"].get<std::string>();
        source = Index(text, ALARM_SOURCE_COUNT, CAlarmItem::GetSourceFormText);
    }
    if (source < 0) {
        source = Choice(json["source"], field + ".source", ALARM_SOURCE_COUNT,
                        CAlarmItem::GetSourceText);
    }
    if (json.contains("unit") &&
        Text(json["unit"], field + ".unit") != CAlarmItem::GetUnitText(source)) {
        Fail(field + ".unit", std::string("the unit of ") + CAlarmItem::GetSourceText(source) +
                                  " is \"" + CAlarmItem::GetUnitText(source) + "\"");
    }
    // The threshold's range is the source's; a PI or PS change needs neither threshold nor
    // relation.
    const bool change = CAlarmItem::IsChangeSource(source);
    for (const char* key : {"relation", "threshold"}) {
        if (!change && !json.contains(key)) {
            Fail(field + "." + key, "is missing");
        }
    }
    const double threshold =
        json.contains("threshold") ? Number(json["threshold"], field + ".threshold") : 0.0;
    if (const std::string reason = setup_rules::CheckThreshold(source, threshold);
        !reason.empty()) {
        Fail(field + ".threshold", reason);
    }
    const std::int32_t relation = json.contains("relation")
                                      ? Choice(json["relation"], field + ".relation",
                                               ALARM_RELATION_COUNT, CAlarmItem::GetRelationText)
                                      : ALARM_RELATION_GREATER;
    const std::int32_t action = json.contains("action")
                                    ? Choice(json["action"], field + ".action", ALARM_ACTION_COUNT,
                                             CAlarmItem::GetActionText)
                                    : ALARM_ACTION_OUTPUT_1;
    const std::int32_t acknowledge =
        json.contains("acknowledge")
            ? Choice(json["acknowledge"], field + ".acknowledge", ALARM_ACKNOWLEDGE_COUNT,
                     CAlarmItem::GetAcknowledgeText)
            : ALARM_ACKNOWLEDGE_YES;
    // A change stores no threshold of its own: 0, as the form stores it.
    return std::make_unique<CAlarmItem>(
        name, source, relation, change ? 0.0f : static_cast<float>(threshold), action,
        COleDateTimeSpan(0, 0, 0, static_cast<int>(delay)), acknowledge);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

CJson CSetupJson::ToJson(const CProtocolHeader& header, const CAlarmMap& alarms) {
    CJson texts = CJson::object();
    for (const auto& [field, key] : kHeaderKeys) {
        texts[key] = header.m_strings[field];
    }
    const std::uint32_t window = header.m_nWindowFunction;
    CJson list = CJson::array();
    for (const CAlarmMap::Entry& entry : alarms) {
        const CAlarmItem& item = *entry.item;
        list.push_back({
            {"name", entry.key},
            {"source", CAlarmItem::GetSourceText(item.m_nSource)},
            {"relation", CAlarmItem::GetRelationText(item.m_nRelation)},
            {"threshold", CJsonValues::Exact(item.m_fThreshold)},
            {"unit", CAlarmItem::GetUnitText(item.m_nSource)},
            {"delay_s", item.m_spanDelay.GetTotalSeconds()},
            {"action", CAlarmItem::GetActionText(item.m_nAction)},
            {"acknowledge", CAlarmItem::GetAcknowledgeText(item.m_nAcknowledge)},
        });
    }
    return {
        {"header", texts},
        {"receiver",
         {{"frequency_mhz", CJsonValues::Exact(header.m_fFrequency)},
          {"antenna", header.m_nAntenna != 0 ? "A" : "B"}}},
        {"analysis",
         {{"window_function", window < kWindows.size() ? CJson(kWindows[window]) : CJson(window)},
          {"deviation_limit_khz", CJsonValues::Exact(header.m_fDeviationLimit)},
          {"limit_triangle", header.m_bLimitTriangle != 0},
          {"filter", header.m_bFilter != 0},
          {"deemphasis_us", header.m_nDeemphasis},
          {"silence_db", CJsonValues::Exact(header.m_fSilenceDb)},
          {"silence_seconds", header.m_nSilenceSeconds}}},
        {"alarms", list},
    };
}

void CSetupJson::FromJson(const CJson& json, CProtocolHeader& header, CAlarmMap& alarms) {
    Object(json, "", {"header", "receiver", "analysis", "alarms"});
    H read;  // a new document's values
    if (json.contains("header")) {
        const CJson& texts = json["header"];
        Object(texts, "header",
               {"operator", "organisation", "antenna_a_type", "antenna_a_height",
                "antenna_a_polarisation", "antenna_b_type", "antenna_b_height",
                "antenna_b_polarisation", "comment", "location"});
        for (const auto& [field, key] : kHeaderKeys) {
            if (texts.contains(key)) {
                read.m_strings[field] = Text(texts[key], std::string("header.") + key);
            }
        }
    }
    if (json.contains("receiver")) {
        ReadReceiver(json["receiver"], read);
    }
    if (json.contains("analysis")) {
        ReadAnalysis(json["analysis"], read);
    }
    CAlarmMap set;
    if (json.contains("alarms")) {
        const CJson& list = json["alarms"];
        if (!list.is_array()) {
            Fail("alarms", "must be a list");
        }
        if (list.size() > setup_rules::kMaxAlarms) {
            Fail("alarms", std::to_string(list.size()) + " alarms are more than " +
                               std::to_string(setup_rules::kMaxAlarms));
        }
        // Names are unique as the alarm list finds them: ignoring letter case.
        std::map<std::string, std::string> taken;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string field = "alarms[" + std::to_string(i) + "]";
            std::unique_ptr<CAlarmItem> item = ReadAlarm(list[i], field);
            const auto [at, added] = taken.emplace(Lower(item->m_strName), field);
            if (!added) {
                Fail(field + ".name", "\"" + item->m_strName + "\" is already the name of " +
                                          at->second + " (names are compared ignoring case)");
            }
            const std::string name = item->m_strName;
            set.SetAt(name, std::move(item));
        }
    }
    header.m_strings = read.m_strings;
    header.m_fFrequency = read.m_fFrequency;
    header.m_nAntenna = read.m_nAntenna;
    header.m_nWindowFunction = read.m_nWindowFunction;
    header.m_fDeviationLimit = read.m_fDeviationLimit;
    header.m_bLimitTriangle = read.m_bLimitTriangle;
    header.m_bFilter = read.m_bFilter;
    header.m_nDeemphasis = read.m_nDeemphasis;
    header.m_fSilenceDb = read.m_fSilenceDb;
    header.m_nSilenceSeconds = read.m_nSilenceSeconds;
    alarms = std::move(set);
}

std::string CSetupJson::FrequencyFault(double megahertz) {
    return setup_rules::CheckFrequency(megahertz);
}

CJson CSetupJson::Parse(std::istream& in) {
    // Members per open object, by depth: an ordered object looks up each new key among those
    // it has, so many keys would make the reading quadratic.
    std::vector<std::size_t> keys(kMaxDepth + 2, 0);
    const CJson::parser_callback_t limit = [&](int depth, CJson::parse_event_t event, CJson&) {
        using E = CJson::parse_event_t;
        if (event == E::object_start || event == E::array_start) {
            if (depth >= kMaxDepth) {
                throw CSetupError("not JSON: nested deeper than " + std::to_string(kMaxDepth) +
                                  " levels");
            }
            keys[static_cast<std::size_t>(depth) + 1] = 0;
        } else if (event == E::key && ++keys[static_cast<std::size_t>(depth)] > kMaxKeys) {
            throw CSetupError("not JSON: an object of more than " + std::to_string(kMaxKeys) +
                              " members");
        }
        return true;
    };
    try {
        return CJson::parse(in, limit);
    } catch (const CJson::exception& e) {
        // A syntax error, or a number beyond the double range (1e400).
        throw CSetupError(std::string("not JSON: ") + e.what());
    }
}

}  // namespace tavik

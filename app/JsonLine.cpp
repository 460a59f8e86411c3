#include "app/JsonLine.h"

#include "app/JsonValues.h"
#include "app/StatusLine.h"
#include "platform/TextParse.h"
#include "rds/RDSCharacterSet.h"

namespace tavik {

namespace {

using json = CJson;

// "TP"/"TA" or two blanks once decoded; nothing before.
json Indicator(const std::string& text) {
    if (text.empty()) {
        return nullptr;
    }
    return text.find_first_not_of(' ') != std::string::npos;
}

// Received text through the RDS code table; a radio text without its trailing blanks and the
// carriage return that ends it.
json ReceivedText(const std::string& text, bool trimEnd) {
    std::string utf8 = CRDSCharacterSet::ToUtf8(text);
    if (trimEnd) {
        utf8.erase(utf8.find_last_not_of(" \r") + 1);
    }
    return CJsonValues::TextOrNull(utf8);
}

json Rds(const CRDSSnapshot* snapshot) {
    if (snapshot == nullptr) {
        return nullptr;
    }
    const CRDSData& data = snapshot->m_data;
    json af = json::array();
    for (const double megahertz : CJsonLine::ParseFrequencies(data.m_strAF)) {
        af.push_back(CJsonValues::Rounded(megahertz, 4));
    }
    return {
        {"pi", CJsonValues::TextOrNull(data.m_strPI)},
        {"ps", ReceivedText(data.m_strPS, false)},
        {"rt", data.m_bRadioTextComplete ? ReceivedText(data.m_strLastRadioText, true) : nullptr},
        {"tp", Indicator(data.m_strTPIndicator)},
        {"ta", Indicator(data.m_strTAIndicator)},
        {"af_mhz", af},
        {"ber_pct", CJsonValues::Rounded(snapshot->m_dBitErrorRate, 2)},
    };
}

}  // namespace

json CJsonLine::Build(CTime time, const CMonitorValues& values,
                      const std::vector<std::string>& activeAlarms) {
    std::optional<float> multipath;
    std::optional<float> level;
    json status = nullptr;
    if (values.multipath) {
        if (values.multipath->HasValue()) {  // no fit accepted yet: null, not 0
            multipath = values.multipath->m_fMultipath;
            level = values.multipath->m_fLevel;
        }
        if (const std::string text = CStatusLine::StatusText(values.multipath->m_nStatus);
            text != "-") {
            status = text;
        }
    }
    json line = json::object();
    line["time"] = FormatIsoLocalTime(time.GetTime());
    line["deviation_peak_khz"] = CJsonValues::Rounded(values.secondPeak, 2);
    line["deviation_exceed_75_pct"] = CJsonValues::Rounded(values.exceed75, 2);
    line["mpx_power_1s_dbr"] = CJsonValues::Rounded(values.power1s, 2);
    line["mpx_power_60s_dbr"] = CJsonValues::Rounded(values.power60s, 2);
    line["multipath_pct_per_khz"] = CJsonValues::Rounded(multipath, 3);
    line["rf_level_dbuv"] = CJsonValues::Rounded(level, 1);
    line["itu_status"] = status;
    line["rds"] = Rds(values.rds.get());
    line["alarms"] = activeAlarms;
    line["dropped"] = CJsonValues::Drops(values.drops);
    return line;
}

std::string CJsonLine::Format(CTime time, const CMonitorValues& values,
                              const std::vector<std::string>& activeAlarms) {
    return CJsonValues::Dump(Build(time, values, activeAlarms));
}

std::vector<std::string> CJsonLine::ActiveAlarms(const CAlarmMap& alarms) {
    std::vector<std::string> names;
    for (const CAlarmMap::Entry& entry : alarms) {
        if (entry.item->m_bActive) {
            names.push_back(entry.key);
        }
    }
    return names;
}

std::vector<double> CJsonLine::ParseFrequencies(const std::string& text) {
    std::vector<double> frequencies;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string entry = text.substr(start, end - start);
        start = end + 1;
        entry.erase(0, entry.find_first_not_of(' '));
        double scale = 1.0;
        if (entry.ends_with("MHz")) {
            entry.resize(entry.size() - 3);
        } else if (entry.ends_with("kHz")) {
            entry.resize(entry.size() - 3);
            scale = 0.001;
        } else {
            continue;
        }
        if (const std::optional<double> value = ParseNumber(entry)) {
            frequencies.push_back(*value * scale);
        }
    }
    return frequencies;
}

}  // namespace tavik

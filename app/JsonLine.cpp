#include "app/JsonLine.h"

#include <cmath>

#include "app/JsonValues.h"
#include "app/StatusLine.h"
#include "platform/TextParse.h"
#include "rds/RDSCharacterSet.h"
#include "rds/RDSData.h"

namespace tavik {

namespace {

using json = CJson;

json Rds(const CRDSSnapshot* snapshot) {
    if (snapshot == nullptr) {
        return nullptr;
    }
    const CRDSData& data = snapshot->m_data;
    return {
        {"pi", CJsonValues::TextOrNull(FourDigitPI(data.m_strPI))},
        {"ps", CJsonLine::RdsText(data.m_strPS)},
        {"rt", data.m_bRadioTextComplete ? CJsonLine::RdsText(data.m_strLastRadioText) : nullptr},
        {"tp", CJsonLine::RdsIndicator(data.m_strTPIndicator)},
        {"ta", CJsonLine::RdsIndicator(data.m_strTAIndicator)},
        {"af_mhz", CJsonLine::RdsFrequencies(data.m_strAF)},
        {"ber_pct", CJsonValues::Rounded(snapshot->m_dBitErrorRate, 2)},
    };
}

}  // namespace

json CJsonLine::RdsText(const std::string& bytes) {
    std::string utf8 = CRDSCharacterSet::ToUtf8(bytes);
    utf8.erase(utf8.find_last_not_of(" \r") + 1);
    return CJsonValues::TextOrNull(utf8);
}

// "TP"/"TA" or two blanks once decoded; nothing before.
json CJsonLine::RdsIndicator(const std::string& text) {
    if (text.empty()) {
        return nullptr;
    }
    return text.find_first_not_of(' ') != std::string::npos;
}

json CJsonLine::RdsFrequencies(const std::string& text) {
    json af = json::array();
    for (const double megahertz : ParseFrequencies(text)) {
        af.push_back(CJsonValues::Rounded(megahertz, 4));
    }
    return af;
}

json CJsonLine::ItuStatus(std::optional<int> status) {
    if (!status) {
        return nullptr;
    }
    const std::string text = CStatusLine::StatusText(*status);
    return text == "-" ? json(nullptr) : json(text);
}

json CJsonLine::Build(CTime time, float frequency, const CMonitorValues& values,
                      const std::vector<std::string>& activeAlarms) {
    std::optional<float> multipath;
    std::optional<float> level;
    if (values.multipath && values.multipath->HasValue()) {  // no fit accepted yet: null, not 0
        multipath = values.multipath->m_fMultipath;
        level = values.multipath->m_fLevel;
    }
    const std::string conditions = values.Conditions();
    const json status = conditions == "-" ? json(nullptr) : json(conditions);
    const CMonitorValues::SShownReception reception =
        values.ShownReception().value_or(CMonitorValues::SShownReception{});
    json line = json::object();
    line["schema"] = kSchema;
    line["time"] = FormatIsoLocalTime(time.GetTime());
    line["frequency_mhz"] = CJsonValues::Rounded(frequency, 3);
    line["deviation_peak_khz"] = CJsonValues::Rounded(values.secondPeak, 2);
    line["deviation_exceed_75_pct"] = CJsonValues::Rounded(values.exceed75, 2);
    line["mpx_power_1s_dbr"] = CJsonValues::Rounded(values.power1s, 2);
    line["mpx_power_60s_dbr"] = CJsonValues::Rounded(values.power60s, 2);
    CJsonValues::AddMpxReadings(line, values.mpxReadings);
    line["multipath_pct_per_khz"] = CJsonValues::Rounded(multipath, 3);
    line["rf_level_dbuv"] = CJsonValues::Rounded(level, 1);
    line["itu_status"] = status;
    line["cn_db"] = CJsonValues::Rounded(reception.carrierToNoise, 1);
    line["frequency_error_hz"] = CJsonValues::Rounded(reception.frequencyError, 0);
    line["frequency_error_ppm"] = CJsonValues::Rounded(reception.frequencyErrorPpm, 2);
    line["adc_overload_pct"] = CJsonValues::Rounded(reception.overload, 3);
    line["receiver_error"] = values.receiverLost ? json(*values.receiverLost) : json(nullptr);
    if (values.inView) {
        line["in_view"] = *values.inView;  // only for a station of a shared receiver
    }
    line["rds"] = Rds(values.rds.get());
    line["alarms"] = activeAlarms;
    line["dropped"] = CJsonValues::Drops(values.drops);
    return line;
}

std::string CJsonLine::Format(CTime time, float frequency, const CMonitorValues& values,
                              const std::vector<std::string>& activeAlarms) {
    return CJsonValues::Dump(Build(time, frequency, values, activeAlarms));
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

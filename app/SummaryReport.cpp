#include "app/SummaryReport.h"

#include <cstdio>
#include <optional>

#include "analysis/MultipathResult.h"
#include "app/JsonLine.h"
#include "app/JsonValues.h"
#include "rds/RDSCharacterSet.h"
#include "rds/RDSData.h"

namespace tavik {

namespace {

// "15.  10:0", the screen text of the programme item number, as data.
CJson ProgrammeItem(const std::string& text) {
    int day = 0;
    int hour = 0;
    int minute = 0;
    if (std::sscanf(text.c_str(), "%d. %d:%d", &day, &hour, &minute) != 3) {
        return nullptr;
    }
    return {{"day", day}, {"hour", hour}, {"minute", minute}};
}

// The decoded station as data, not as screen texts.
CJson Rds(const CRDSSnapshot* rds) {
    CJson json = CJson::object();
    if (rds == nullptr) {
        for (const char* key : {"pi", "ps", "pty", "ptyn", "radiotext", "last_radiotext", "af_mhz",
                                "country", "language", "date", "time", "pin", "tp", "ta",
                                "music_speech", "eon_pi", "eon_ps", "ber_pct"}) {
            json[key] = nullptr;
        }
        return json;
    }
    const CRDSData& data = rds->m_data;
    const auto trimmed = [](std::string text) {
        text.erase(text.find_last_not_of(' ') + 1);
        return CJsonValues::TextOrNull(text);
    };
    json["pi"] = CJsonValues::TextOrNull(FourDigitPI(data.m_strPI));
    json["ps"] = CJsonLine::RdsText(data.m_strPS);
    json["pty"] = trimmed(data.m_strPTY);
    json["ptyn"] = CJsonLine::RdsText(data.m_strPTYN);
    json["radiotext"] = CJsonLine::RdsText(data.m_strRadioText);
    json["last_radiotext"] = CJsonLine::RdsText(data.m_strLastRadioText);
    json["af_mhz"] = CJsonLine::RdsFrequencies(data.m_strAF);
    json["country"] = trimmed(data.m_strCountry);
    json["language"] = trimmed(data.m_strLanguage);
    json["date"] = trimmed(data.m_strDate);
    json["time"] = trimmed(data.m_strTime);
    json["pin"] = ProgrammeItem(data.m_strPIN);
    json["tp"] = CJsonLine::RdsIndicator(data.m_strTPIndicator);
    json["ta"] = CJsonLine::RdsIndicator(data.m_strTAIndicator);
    json["music_speech"] = trimmed(data.m_strMusicSpeech);
    json["eon_pi"] = CJsonValues::TextOrNull(FourDigitPI(data.m_strEonPI));
    json["eon_ps"] = CJsonLine::RdsText(data.m_strEonPS);
    json["ber_pct"] = CJsonValues::Rounded(rds->m_dBitErrorRate, 2);
    return json;
}

CJson Percentages(const std::vector<float>& values) {
    CJson list = CJson::array();
    for (const float value : values) {
        list.push_back(CJsonValues::Rounded(value, 4));
    }
    return list;
}

// A text quoted and escaped as in JSON.
std::string Quoted(const std::string& text) {
    return CJsonValues::Dump(CJson(text));
}

std::string Value(const std::optional<float>& value, const char* unit) {
    if (!value) {
        return "-";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", static_cast<double>(*value), unit);
    return text;
}

const char* StatusText(int status) {
    switch (status) {
        case CMultipathResult::STATUS_CONDITIONS_MET:
            return "conditions met";
        case CMultipathResult::STATUS_CONDITIONS_NOT_MET:
            return "conditions not met";
        case CMultipathResult::STATUS_DEVIATION_TOO_LOW:
            return "deviation too low";
        default:
            return "no fit yet";
    }
}

// "Pilot:      6.75 kHz, +0.0 Hz; RDS 3.00 kHz" and "Audio:      L -6.0 dB, R -6.0 dB (peaks of
// the last second), silent 0 s"; "no pilot", "no RDS", "-" before the first second.
void WriteReadings(const CBatchSummary& s, std::ostream& out) {
    if (!s.mpxReadings) {
        out << "Pilot:      -\nAudio:      -\n";
        return;
    }
    const CMpxReadings& r = *s.mpxReadings;
    char line[160];
    out << "Pilot:      ";
    if (r.pilotKhz) {
        std::snprintf(line, sizeof line, "%.2f kHz, %+.1f Hz", static_cast<double>(*r.pilotKhz),
                      static_cast<double>(r.pilotErrorHz.value_or(0.0f)));
        out << line;
    } else {
        out << "no pilot";
    }
    out << "; RDS " << (r.rdsKhz ? Value(r.rdsKhz, "kHz") : std::string("no RDS")) << "\n";
    std::snprintf(line, sizeof line,
                  "Audio:      L %.1f dB, R %.1f dB (peaks of the last second), silent %lld s%s\n",
                  static_cast<double>(r.leftDb), static_cast<double>(r.rightDb),
                  static_cast<long long>(s.nSilentSeconds), r.silence ? ", silent at the end" : "");
    out << line;
}

}  // namespace

std::string CSummaryReport::ToJson(const CBatchSummary& s) {
    using V = CJsonValues;
    CJson json = CJson::object();
    json["schema"] = CJsonLine::kSchema;
    json["seconds"] = V::Rounded(s.dSeconds, 1);
    json["blocks"] = s.nBlocks;
    json["deviation_max_khz"] = V::Rounded(s.fDeviationMax, 2);
    json["deviation_exceed_75_pct"] = V::Rounded(s.fDeviationExceed75, 4);
    json["deviation_relative_pct"] = Percentages(s.deviationRelative);
    json["deviation_accumulated_pct"] = Percentages(s.deviationAccumulated);
    json["mpx_power_1s_last_dbr"] = V::Rounded(s.fMpxPower1sLast, 2);
    json["mpx_power_60s_last_dbr"] = V::Rounded(s.fMpxPower60sLast, 2);
    json["mpx_power_60s_max_dbr"] = V::Rounded(s.fMpxPower60sMax, 2);
    V::AddMpxReadings(json, s.mpxReadings);
    json["silent_seconds"] = s.nSilentSeconds;
    json["multipath_pct_per_khz"] = V::Rounded(s.fMultipath, 3);
    json["rf_level_dbuv"] = V::Rounded(s.fRfLevel, 1);
    json["itu_status"] = CJsonLine::ItuStatus(s.nItuStatus);
    json["rds"] = Rds(s.pRds.get());
    json["alarms"] = CJson::array();
    for (const CBatchSummary::Alarm& alarm : s.alarms) {
        json["alarms"].push_back({{"name", alarm.strName}, {"activations", alarm.nActivations}});
    }
    json["result_file"] = V::TextOrNull(s.strResultFile);
    json["log_file"] = V::TextOrNull(s.strLogFile);
    json["dropped"] = CJsonValues::Drops(s.drops);
    json["wall_seconds"] = V::Rounded(s.dWallSeconds, 3);
    json["realtime_factor"] = V::Rounded(s.dRealtimeFactor, 0);
    return V::Dump(json);
}

void CSummaryReport::WriteText(const CBatchSummary& s, std::ostream& out) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "Analysed %.1f s (%lld blocks) in %.3f s: %.0f times real time\n", s.dSeconds,
                  static_cast<long long>(s.nBlocks), s.dWallSeconds, s.dRealtimeFactor);
    out << line;
    out << "Deviation:  maximum " << Value(s.fDeviationMax, "kHz") << ", at or above 75 kHz "
        << Value(s.fDeviationExceed75, "%") << "\n";
    out << "MPX power:  1 s " << Value(s.fMpxPower1sLast, "dBr") << ", 60 s "
        << Value(s.fMpxPower60sLast, "dBr") << " (maximum " << Value(s.fMpxPower60sMax, "dBr")
        << ")\n";
    WriteReadings(s, out);
    out << "Multipath:  " << Value(s.fMultipath, "%/kHz") << ", RF level "
        << Value(s.fRfLevel, "dBuV") << ", ITU-R " << StatusText(s.nItuStatus.value_or(0)) << "\n";
    if (s.pRds) {
        const CRDSData& rds = s.pRds->m_data;
        std::snprintf(line, sizeof line, "%.2f %%", s.pRds->m_dBitErrorRate);
        // Texts quoted and escaped as in JSON.
        out << "RDS:        PI " << FourDigitPI(rds.m_strPI) << ", PS "
            << Quoted(CRDSCharacterSet::ToUtf8(rds.m_strPS)) << ", PTY " << rds.m_strPTY
            << ", bit error rate " << line << "\n";
        // The radio text as read, without its end mark and padding, as the JSON gives it.
        const CJson text = CJsonLine::RdsText(rds.m_strLastRadioText);
        out << "Radio text: " << (text.is_null() ? "-" : CJsonValues::Dump(text)) << "\n";
    } else {
        out << "RDS:        no data\n";
    }
    for (const CBatchSummary::Alarm& alarm : s.alarms) {
        out << "Alarm \"" << alarm.strName << "\": " << alarm.nActivations
            << (alarm.nActivations == 1 ? " activation\n" : " activations\n");
    }
    if (!s.strResultFile.empty()) {
        out << "Result file: " << s.strResultFile << "\nLog file:    " << s.strLogFile << "\n";
    }
}

}  // namespace tavik

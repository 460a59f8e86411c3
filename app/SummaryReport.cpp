#include "app/SummaryReport.h"

#include <cstdio>
#include <optional>

#include "analysis/MultipathResult.h"
#include "app/JsonWriter.h"
#include "rds/RDSCharacterSet.h"

namespace tavik {

namespace {

void WriteRds(CJsonWriter& json, const CRDSSnapshot* rds) {
    const CRDSData* data = rds ? &rds->m_data : nullptr;
    // Texts of received bytes (PS, PTYN, radio texts) go through the RDS code table.
    const auto text = [&](const char* key, const std::string CRDSData::*field,
                          bool bReceived = false) {
        json.Key(key);
        if (data) {
            json.String(bReceived ? CRDSCharacterSet::ToUtf8(data->*field) : data->*field);
        } else {
            json.Null();
        }
    };
    json.BeginObject();
    text("pi", &CRDSData::m_strPI);
    text("ps", &CRDSData::m_strPS, true);
    text("pty", &CRDSData::m_strPTY);
    text("ptyn", &CRDSData::m_strPTYN, true);
    text("radiotext", &CRDSData::m_strRadioText, true);
    text("last_radiotext", &CRDSData::m_strLastRadioText, true);
    text("af", &CRDSData::m_strAF);
    text("country", &CRDSData::m_strCountry);
    text("language", &CRDSData::m_strLanguage);
    text("date", &CRDSData::m_strDate);
    text("time", &CRDSData::m_strTime);
    text("pin", &CRDSData::m_strPIN);
    text("tp", &CRDSData::m_strTPIndicator);
    text("ta", &CRDSData::m_strTAIndicator);
    text("music_speech", &CRDSData::m_strMusicSpeech);
    text("eon_pi", &CRDSData::m_strEonPI);
    text("eon_ps", &CRDSData::m_strEonPS, true);
    json.Key("ber_pct");
    if (rds) {
        json.Number(rds->m_dBitErrorRate);
    } else {
        json.Null();
    }
    json.EndObject();
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

}  // namespace

std::string CSummaryReport::ToJson(const CBatchSummary& s) {
    CJsonWriter json;
    json.BeginObject();
    json.Key("seconds").Number(s.dSeconds);
    json.Key("blocks").Int(s.nBlocks);
    json.Key("deviation_max_khz").Number(s.fDeviationMax);
    json.Key("deviation_exceed_75_pct").Number(s.fDeviationExceed75);
    json.Key("deviation_relative_pct").Numbers(s.deviationRelative);
    json.Key("deviation_accumulated_pct").Numbers(s.deviationAccumulated);
    json.Key("mpx_power_1s_last_dbr").Number(s.fMpxPower1sLast);
    json.Key("mpx_power_60s_last_dbr").Number(s.fMpxPower60sLast);
    json.Key("mpx_power_60s_max_dbr").Number(s.fMpxPower60sMax);
    json.Key("multipath_pct_per_khz").Number(s.fMultipath);
    json.Key("rf_level_dbuv").Number(s.fRfLevel);
    json.Key("itu_status").Int(s.nItuStatus);
    json.Key("rds");
    WriteRds(json, s.pRds.get());
    json.Key("alarms").BeginArray();
    for (const CBatchSummary::Alarm& alarm : s.alarms) {
        json.BeginObject();
        json.Key("name").String(alarm.strName);
        json.Key("activations").Int(static_cast<std::int64_t>(alarm.nActivations));
        json.EndObject();
    }
    json.EndArray();
    json.Key("result_file").StringOrNull(s.strResultFile);
    json.Key("log_file").StringOrNull(s.strLogFile);
    json.Key("wall_seconds").Number(s.dWallSeconds);
    json.Key("realtime_factor").Number(s.dRealtimeFactor);
    json.EndObject();
    return json.GetText();
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
    out << "Multipath:  " << Value(s.fMultipath, "%/kHz") << ", RF level "
        << Value(s.fRfLevel, "dBuV") << ", ITU-R " << StatusText(s.nItuStatus.value_or(0)) << "\n";
    if (s.pRds) {
        const CRDSData& rds = s.pRds->m_data;
        std::snprintf(line, sizeof line, "%.2f %%", s.pRds->m_dBitErrorRate);
        // Texts quoted and escaped as in JSON: a radio text ends with a carriage return.
        out << "RDS:        PI " << rds.m_strPI << ", PS "
            << CJsonWriter::Escape(CRDSCharacterSet::ToUtf8(rds.m_strPS)) << ", PTY "
            << rds.m_strPTY << ", bit error rate " << line << "\n";
        out << "Radio text: "
            << CJsonWriter::Escape(CRDSCharacterSet::ToUtf8(rds.m_strLastRadioText)) << "\n";
    } else {
        out << "RDS:        no data\n";
    }
    for (const CBatchSummary::Alarm& alarm : s.alarms) {
        out << "Alarm \"" << alarm.strName << "\": " << alarm.nActivations << " activations\n";
    }
    if (!s.strResultFile.empty()) {
        out << "Result file: " << s.strResultFile << "\nLog file:    " << s.strLogFile << "\n";
    }
}

}  // namespace tavik

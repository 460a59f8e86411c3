#include "app/StatusLine.h"

#include <cmath>
#include <cstdio>

#include "platform/GenericException.h"
#include "rds/RDSCharacterSet.h"
#include "rds/RDSData.h"

namespace tavik {

std::string CStatusLine::FormatElapsed(CTimeSpan elapsed) {
    const std::int64_t total = elapsed.GetTotalSeconds();
    return StringFormat("%02lld:%02d:%02d", static_cast<long long>(total / 3600),
                        static_cast<int>(total / 60 % 60), static_cast<int>(total % 60));
}

std::string CStatusLine::FormatValue(std::optional<float> value, int decimals) {
    if (!value) {
        return "-";
    }
    if (std::isnan(*value)) {
        return "nan";
    }
    if (std::isinf(*value)) {
        return *value < 0 ? "-inf" : "inf";
    }
    return StringFormat("%.*f", decimals, static_cast<double>(*value));
}

const char* CStatusLine::StatusText(int status) {
    switch (status) {
        case CMultipathResult::STATUS_CONDITIONS_MET:
            return "OK";
        case CMultipathResult::STATUS_CONDITIONS_NOT_MET:
            return "STOP";
        case CMultipathResult::STATUS_DEVIATION_TOO_LOW:
            return "LOW-DEV";
        default:
            return "-";
    }
}

std::string CStatusLine::Format(CTimeSpan elapsed, const CMonitorValues& values,
                                const std::string& activeAlarms) {
    std::optional<float> multipath;
    std::optional<float> level;
    if (values.multipath && values.multipath->HasValue()) {  // no fit accepted yet: "-", not 0
        multipath = values.multipath->m_fMultipath;
        level = values.multipath->m_fLevel;
    }
    std::string pi = "-";
    std::string ps = "-";
    std::optional<float> ber;
    if (values.rds) {
        const CRDSData& data = values.rds->m_data;
        if (!data.m_strPI.empty()) {
            pi = FourDigitPI(data.m_strPI);
        }
        if (!data.m_strPS.empty()) {
            ps = "\"" + CRDSCharacterSet::ToUtf8(data.m_strPS) + "\"";
        }
        ber = static_cast<float>(values.rds->m_dBitErrorRate);
    }
    std::string line = FormatElapsed(elapsed);
    line += " dev " + FormatValue(values.deviation, 1);
    line += " max " + FormatValue(values.maxDeviation, 1) + " kHz";
    line += " | mpx 1s " + FormatValue(values.power1s, 2);
    line += " 60s " + FormatValue(values.power60s, 2) + " dBr";
    line += ReadingsText(values.mpxReadings);
    line += " | mp " + FormatValue(multipath, 2) + " %/kHz " + values.Conditions();
    line += " | rf " + FormatValue(level, 1) + " dBuV";
    line += ReceptionText(values);
    line += " | PI " + pi + " PS " + ps + " BER " + FormatValue(ber, 2) + " %";
    line += " | alarms " + (activeAlarms.empty() ? std::string("-") : activeAlarms);
    if (values.drops.Total() > 0) {
        line += " | dropped " + values.drops.Describe();
    }
    if (values.receiverLost) {
        line += " | NO RECEIVER (" + *values.receiverLost + ")";
    }
    if (values.inView == false) {
        line += " | OUT OF VIEW (the receiver measures another band)";
    }
    return line;
}

std::string CStatusLine::ReadingsText(const std::optional<CMpxReadings>& readings) {
    if (!readings) {
        return " | pilot - rds - | L - R - dB";
    }
    const CMpxReadings& r = *readings;
    std::string text =
        r.pilotKhz ? " | pilot " + FormatValue(r.pilotKhz, 1) + " kHz" : " | no pilot";
    text += r.rdsKhz ? " rds " + FormatValue(r.rdsKhz, 1) + " kHz" : " no rds";
    text += " | L " + FormatValue(r.leftDb, 1) + " R " + FormatValue(r.rightDb, 1) + " dB";
    if (r.silence) {
        text += " SILENCE";
    }
    return text;
}

std::string CStatusLine::ReceptionText(const CMonitorValues& values) {
    const auto shown = values.ShownReception();
    if (!shown) {
        return {};
    }
    std::string text = " | cn " + FormatValue(shown->carrierToNoise, 1) + " dB";
    if (shown->frequencyError) {
        text += StringFormat(" fe %+.2f kHz %+.1f ppm",
                             static_cast<double>(*shown->frequencyError) / 1000.0,
                             static_cast<double>(*shown->frequencyErrorPpm));
    }
    if (values.reception->Overloaded()) {
        text += " OVERLOAD";
    }
    return text;
}

}  // namespace tavik

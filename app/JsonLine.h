#pragma once

#include <string>
#include <vector>

#include "alarms/AlarmMap.h"
#include "app/JsonValues.h"
#include "app/MonitorValues.h"
#include "platform/Time.h"

namespace tavik {

// The per-second object of `--json-lines` (the README lists every key with its unit):
//   {"schema":2,"time":"2026-06-15T12:00:01+02:00","frequency_mhz":106.7,
//    "deviation_peak_khz":76.12,
//    "deviation_exceed_75_pct":0.5,"mpx_power_1s_dbr":2.95,"mpx_power_60s_dbr":null,
//    "multipath_pct_per_khz":0.12,"rf_level_dbuv":65.1,"itu_status":"OK",
//    "cn_db":38.2,"frequency_error_hz":512.0,"frequency_error_ppm":4.8,"adc_overload_pct":0.0,
//    "receiver_error":null,
//    "rds":{"pi":"D313","ps":"TAVIK FM","rt":"...","tp":true,"ta":false,
//           "af_mhz":[106.7,98.2],"ber_pct":0},"alarms":["Dev"]}
// A value not measured yet is null; "rds" is null before the first decode pass.
class CJsonLine {
public:
    // The version of the keys of the JSON lines and of the `analyse --json` summary; it grows
    // when a key changes its meaning or goes.
    static constexpr int kSchema = 2;

    static CJson Build(CTime time, float frequency, const CMonitorValues& values,
                       const std::vector<std::string>& activeAlarms);
    // The object on one line, without the line break.
    static std::string Format(CTime time, float frequency, const CMonitorValues& values,
                              const std::vector<std::string>& activeAlarms);

    // RDS fields as data: received text through the RDS code table without its padding (and a
    // radio text without the carriage return that ends it), null when empty; a TP/TA indicator
    // as a boolean, null before it was decoded; the AF list in MHz.
    static CJson RdsText(const std::string& bytes);
    static CJson RdsIndicator(const std::string& text);
    static CJson RdsFrequencies(const std::string& text);
    // The multipath analysis's status as the status line writes it ("OK", "STOP", "LOW-DEV"),
    // null before the first fit (the JSON lines also say "LOW-CN" and "NO-SIGNAL").
    static CJson ItuStatus(std::optional<int> status);

    // The names of the active alarms, in the set's order.
    static std::vector<std::string> ActiveAlarms(const CAlarmMap& alarms);
    // The frequencies of an AF text (" 87.6MHz,  531.0kHz,  ") in MHz.
    static std::vector<double> ParseFrequencies(const std::string& text);
};

}  // namespace tavik

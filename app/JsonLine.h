#pragma once

#include <string>
#include <vector>

#include "alarms/AlarmMap.h"
#include "app/JsonValues.h"
#include "app/MonitorValues.h"
#include "platform/Time.h"

namespace tavik {

// The per-second object of `--json-lines` (the README lists every key with its unit):
//   {"time":"2026-06-15T12:00:01+02:00","deviation_peak_khz":76.12,
//    "deviation_exceed_75_pct":0.5,"mpx_power_1s_dbr":2.95,"mpx_power_60s_dbr":null,
//    "multipath_pct_per_khz":0.12,"rf_level_dbuv":65.1,"itu_status":"OK",
//    "rds":{"pi":"D313","ps":"TAVIK FM","rt":"...","tp":true,"ta":false,
//           "af_mhz":[106.7,98.2],"ber_pct":0},"alarms":["Dev"]}
// A value not measured yet is null; "rds" is null before the first decode pass.
class CJsonLine {
public:
    static CJson Build(CTime time, const CMonitorValues& values,
                       const std::vector<std::string>& activeAlarms);
    // The object on one line, without the line break.
    static std::string Format(CTime time, const CMonitorValues& values,
                              const std::vector<std::string>& activeAlarms);

    // The names of the active alarms, in the set's order.
    static std::vector<std::string> ActiveAlarms(const CAlarmMap& alarms);
    // The frequencies of an AF text (" 87.6MHz,  531.0kHz,  ") in MHz.
    static std::vector<double> ParseFrequencies(const std::string& text);
};

}  // namespace tavik

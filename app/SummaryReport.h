#pragma once

#include <ostream>
#include <string>

#include "document/BatchSummary.h"

namespace tavik {

// The end of `tavik analyse`: its summary as one JSON object or as lines of text.
class CSummaryReport {
public:
    // One object with the keys seconds, blocks, deviation_..., mpx_power_..., multipath_pct_per_
    // khz, rf_level_dbuv, itu_status, rds, alarms, result_file, log_file, wall_seconds,
    // realtime_factor; no line break.
    static std::string ToJson(const CBatchSummary& summary);
    static void WriteText(const CBatchSummary& summary, std::ostream& out);
};

}  // namespace tavik

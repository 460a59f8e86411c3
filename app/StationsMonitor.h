#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/MonitorOptions.h"

namespace tavik {

// `monitor --receiver R --stations A,B,...`: every listed station of one receiver measured at
// once, each a whole instrument (CHeadlessRunner: document, analysers, alarms, results and day
// files in LOG/<frequency>/) on its own thread, all fed from one read of the receiver through
// one channeliser (CSharedIqStream). A capture (iq:FILE) is played as a live receiver plays,
// at its rate and from its start again at its end. Each station's lines are prefixed by its
// frequency ("98.100 "); JSON lines carry it as frequency_mhz and are not prefixed.
class CStationsMonitor {
public:
    // Why the stations cannot be taken by the receiver `options` names ("" when they can).
    static std::string CheckReceiver(const CMonitorOptions& options);

    // Runs them until `stop` or --seconds; the exit code: 0, or 1 when any station's run
    // failed (its reason is on the error stream with its prefix).
    static int Run(const CMonitorOptions& options, std::ostream& out, std::ostream& err,
                   const std::atomic<int>& stop, std::function<std::uint64_t()> consoleDrops);
};

}  // namespace tavik

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DropCounters.h"
#include "platform/Time.h"

namespace tavik {

// The drops of one measurement run: the process's counters less their reading at the start,
// and the log lines that tell of them, at most one per kind and minute.
class CDropReport {
public:
    // A run starts: later readings count from here.
    void Begin();
    // Drops since Begin.
    CDropCounts GetCounts() const;
    // Once a second: a line for each kind that dropped since the last check, unless a line of
    // that kind was already given in the minute of `now`, e.g.
    // "Dropped analyser blocks: 12 since the start" (the total of the run so far).
    std::vector<std::string> Check(CTime now);

    // The log line's name of a kind: "sample blocks", "analyser blocks", "RDS blocks",
    // "results".
    static const char* LogName(EDropKind kind);

private:
    CDropCounts m_atStart;
    CDropCounts m_atLastCheck;
    std::array<std::int64_t, kDropKinds> m_lastLineMinute{};  // minutes since 1970 + 1; 0 = none
};

}  // namespace tavik

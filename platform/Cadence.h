#pragma once

#include <chrono>
#include <cstdint>

#include "platform/Pacer.h"

namespace tavik {

// Paces a loop on absolute deadlines of a pacer's clock: `cycles` cycles every `span`, cycle k
// due at start + k x span / cycles. The time a cycle spends working does not push the later
// ones back, and each deadline is computed from k rather than summed, so a period that is no
// whole number of nanoseconds (an RDS block: 64/95 s) does not drift either.
//
// A late cycle runs at once and the next ones follow back to back until the schedule is met
// again, as a receiver's buffer hands over what piled up during a short stall. A backlog of
// more than kMaxLag (a suspended process, a debugger stop) would only come out as a burst:
// the schedule then restarts from now, the next cycle one period away, and the missed cycles
// are dropped.
//
// One per looping thread; the pacer may be shared.
class CCadence {
public:
    static constexpr std::chrono::seconds kMaxLag{1};

    // Cycle 0 is now.
    CCadence(CPacer& pacer, std::int64_t cycles, std::chrono::nanoseconds span);

    // Waits for the next cycle's deadline (or until the pacer is interrupted).
    void WaitNext();

private:
    CPacer::Time Deadline(std::int64_t cycle) const;

    CPacer& m_pacer;
    const std::int64_t m_nCycles;
    const std::chrono::nanoseconds m_span;
    CPacer::Time m_start;
    std::int64_t m_nCycle = 0;
};

}  // namespace tavik

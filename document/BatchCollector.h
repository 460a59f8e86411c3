#pragma once

#include "document/BatchSummary.h"
#include "platform/MessageTarget.h"

namespace tavik {

// Gathers the summary of a batch analysis from the result messages the analysers post, in
// the order they arrive (each after the result router has seen it).
class CBatchCollector {
public:
    void Collect(const CMessage& message);
    // The values gathered so far; the caller adds counts, alarms, files and timing.
    const CBatchSummary& GetSummary() const { return m_summary; }
    CBatchSummary& GetSummary() { return m_summary; }

private:
    void CollectMpxPowerHistory(const std::vector<float>& history);

    CBatchSummary m_summary;
};

}  // namespace tavik

#pragma once

#include <cstdint>

#include "rds/RDSData.h"

namespace tavik {

// What one decode pass hands to the user-interface thread: a copy of the decoded record with
// the decoder's bit error rate and settling state after that pass. Sent as the immutable
// payload of result codes 9 and 11, so a view never reads a record the next pass rewrites.
struct CRDSSnapshot {
    CRDSData m_data;
    double m_dBitErrorRate = 0.0;  // percent
    bool m_bSettled = false;
    int m_nSettleCount = 0;
    std::int64_t m_nGroupCount = 0;  // groups decoded since the decoder was made
};

}  // namespace tavik

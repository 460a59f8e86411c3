#pragma once

#include <span>

#include "platform/MessageTarget.h"

namespace tavik {

struct CRDSSnapshot;

// One result of message 1027 as the data view hands it to a measurement view: the code and
// typed access to the immutable copy that the producer posted with it. Valid during the call
// that receives it; a view that keeps data copies them.
class CAnalyserResult {
public:
    explicit CAnalyserResult(const CMessage& message) : m_message(message) {}

    int Code() const { return static_cast<int>(m_message.wParam); }
    // Codes 4, 6, 12: the single value (kHz or dBr).
    float Value() const;
    // Codes 1, 3, 5, 7 (sequences), 2, 10 (1025 spectrum bins) and 13 (10 segment peaks).
    std::span<const float> Values() const;
    // Codes 9 and 11: the RDS worker's decoded record with its bit error rate.
    const CRDSSnapshot& RDS() const;

private:
    const CMessage& m_message;
};

}  // namespace tavik

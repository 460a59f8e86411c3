#include "rds/RDSData.h"

namespace tavik {

// Every text starts empty except the radio text, which shows 64 blank cells.
CRDSData::CRDSData() : m_strRadioText(64, ' ') {}

std::string FourDigitPI(const std::string& pi) {
    if (pi.empty() || pi.size() >= 4) {
        return pi;
    }
    return std::string(4 - pi.size(), '0') + pi;
}

}  // namespace tavik

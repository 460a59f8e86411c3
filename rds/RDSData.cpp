#include "rds/RDSData.h"

namespace tavik {

// Every text starts empty except the radio text, which shows 64 blank cells.
CRDSData::CRDSData() : m_strRadioText(64, ' ') {}

}  // namespace tavik

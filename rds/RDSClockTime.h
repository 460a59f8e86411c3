#pragma once

#include <cstdint>
#include <string>

namespace tavik {

// Clock time and date of group 4A as the RDS view shows them.
class CRDSClockTime {
public:
    // Decodes blocks B, C and D of a 4A group into the date and the local time texts.
    static void Decode(std::uint16_t b, std::uint16_t c, std::uint16_t d, std::string& date,
                       std::string& time);

    // Date of a Modified Julian Day (conversion of IEC 62106 Annex G), not shifted by the local
    // offset: "5. 12. 2003 " (a trailing blank from 2000 on), "24. 3. 1999".
    static std::string FormatDate(int mjd);

    // Local time "hh:mm": UTC plus or minus the offset in half hours, hours modulo 24.
    static std::string FormatLocalTime(int utcHour, int utcMinute, int offsetHalfHours,
                                       bool negative);
};

}  // namespace tavik

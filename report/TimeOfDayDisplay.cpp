#include "report/TimeOfDayDisplay.h"

#include <cmath>

namespace tavik {

QString CTimeOfDayDisplay::TimeOfDay(double value, int secondsPerUnit) {
    const long long seconds = std::llround(value * secondsPerUnit);
    const long long hours = seconds / 3600;
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int rest = static_cast<int>(seconds % 60);
    return rest == 0 ? QString::asprintf("%02lld:%02d", hours, minutes)
                     : QString::asprintf("%02lld:%02d:%02d", hours, minutes, rest);
}

QString CTimeOfDayDisplay::XTickLabel(double value) const {
    return std::llround(value * m_nSecondsPerUnit) % 60 == 0 ? TimeOfDay(value, m_nSecondsPerUnit)
                                                             : QString();
}

}  // namespace tavik

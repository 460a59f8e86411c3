#include "report/TimeOfDayDisplay.h"

#include <cmath>

#include "platform/Time.h"

namespace tavik {

QString CTimeOfDayDisplay::TimeOfDay(double value, int secondsPerUnit) {
    const long long seconds = std::llround(value * secondsPerUnit);
    const long long hours = seconds / 3600;
    const int minutes = static_cast<int>(seconds / 60 % 60);
    const int rest = static_cast<int>(seconds % 60);
    return rest == 0 ? QString::asprintf("%02lld:%02d", hours, minutes)
                     : QString::asprintf("%02lld:%02d:%02d", hours, minutes, rest);
}

QString CTimeOfDayDisplay::LocalTimeOfDay(double value, int secondsPerUnit, std::int64_t midnight) {
    const std::int64_t offset = std::llround(value * secondsPerUnit);
    const CTime at(static_cast<std::time_t>(midnight + offset));
    if (offset > 0 && at.GetHour() == 0 && at.GetMinute() == 0 && at.GetSecond() == 0) {
        return QStringLiteral("24:00");
    }
    return QString::fromStdString(at.Format(at.GetSecond() == 0 ? "%H:%M" : "%H:%M:%S"));
}

QString CTimeOfDayDisplay::XTickLabel(double value) const {
    if (std::llround(value * m_nSecondsPerUnit) % 60 != 0) {
        return QString();
    }
    return m_nMidnight ? LocalTimeOfDay(value, m_nSecondsPerUnit, *m_nMidnight)
                       : TimeOfDay(value, m_nSecondsPerUnit);
}

}  // namespace tavik

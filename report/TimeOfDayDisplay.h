#pragma once

#include <cstdint>
#include <optional>

#include "charts/Display.h"

namespace tavik {

// The chart window with x in minutes or hours since midnight, its x tick labels written as
// times of day: "12:30", or "12:01:12" when a tick is not on a whole minute.
class CTimeOfDayDisplay : public CDisplay {
public:
    // `secondsPerUnit`: 60 for an x axis in minutes, 3600 in hours. With `midnight` (seconds
    // since 1970 of the axis's 0) the labels are the local clock time in force at each tick,
    // so a day with a daylight-saving change reads as the clocks did.
    explicit CTimeOfDayDisplay(int secondsPerUnit, std::optional<std::int64_t> midnight = {})
        : m_nSecondsPerUnit(secondsPerUnit), m_nMidnight(midnight) {}

    static QString TimeOfDay(double value, int secondsPerUnit);
    // The local clock time of an axis value counted from `midnight`; a later midnight is
    // "24:00".
    static QString LocalTimeOfDay(double value, int secondsPerUnit, std::int64_t midnight);

protected:
    // Only ticks on a whole minute are labelled: "10:02:30" between "10:00" and "10:05" would
    // crowd the axis.
    QString XTickLabel(double value) const override;

private:
    int m_nSecondsPerUnit;
    std::optional<std::int64_t> m_nMidnight;
};

}  // namespace tavik

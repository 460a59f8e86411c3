#pragma once

#include "charts/Display.h"

namespace tavik {

// The chart window with x in minutes or hours since midnight, its x tick labels written as
// times of day: "12:30", or "12:01:12" when a tick is not on a whole minute.
class CTimeOfDayDisplay : public CDisplay {
public:
    // `secondsPerUnit`: 60 for an x axis in minutes, 3600 in hours.
    explicit CTimeOfDayDisplay(int secondsPerUnit) : m_nSecondsPerUnit(secondsPerUnit) {}

    static QString TimeOfDay(double value, int secondsPerUnit);

protected:
    // Only ticks on a whole minute are labelled: "10:02:30" between "10:00" and "10:05" would
    // crowd the axis.
    QString XTickLabel(double value) const override;

private:
    int m_nSecondsPerUnit;
};

}  // namespace tavik

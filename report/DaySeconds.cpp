#include "report/DaySeconds.h"

#include <algorithm>
#include <limits>

namespace tavik {

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// Replaces the leading exact zeros of `member` in [first, last) by NaN; returns their count.
int TakeOutLeadingZeros(std::vector<CResultRecord>& seconds, std::size_t first, std::size_t last,
                        float CResultRecord::*member) {
    int count = 0;
    for (std::size_t i = first; i < last && seconds[i].*member == 0.0f; ++i) {
        seconds[i].*member = kNoValue;
        ++count;
    }
    return count;
}

}  // namespace

CDaySeconds MakeDaySeconds(const std::vector<CResultRecord>& records) {
    CDaySeconds day;
    day.seconds = records;
    std::stable_sort(day.seconds.begin(), day.seconds.end(),
                     [](const CResultRecord& a, const CResultRecord& b) {
                         return a.m_nTimestamp < b.m_nTimestamp;
                     });
    const auto last = std::unique(day.seconds.begin(), day.seconds.end(),
                                  [](const CResultRecord& a, const CResultRecord& b) {
                                      return a.m_nTimestamp == b.m_nTimestamp;
                                  });
    day.nRepeated = static_cast<int>(day.seconds.end() - last);
    day.seconds.erase(last, day.seconds.end());

    std::vector<CResultRecord>& s = day.seconds;
    std::size_t runStart = 0;
    const auto endRun = [&](std::size_t end) {
        day.nPlaceholderMpx += TakeOutLeadingZeros(s, runStart, end, &CResultRecord::m_fMPXPower);
        day.nPlaceholderMultipath +=
            TakeOutLeadingZeros(s, runStart, end, &CResultRecord::m_fMultipath);
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        CResultRecord& second = s[i];
        if (second.m_bNoSignal) {
            ++day.nNoSignal;
            second.m_fDeviation = second.m_fMPXPower = second.m_fMultipath = kNoValue;
            second.m_fDeviationPeak.reset();
            endRun(i);
            runStart = i + 1;
            continue;
        }
        if (second.m_fDeviationPeak) {
            second.m_fDeviation = *second.m_fDeviationPeak;
        } else {
            ++day.nDeviationLastValue;
        }
        if (i > runStart && second.m_nTimestamp != s[i - 1].m_nTimestamp + 1) {
            endRun(i);
            runStart = i;
        }
    }
    endRun(s.size());
    return day;
}

}  // namespace tavik

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
    for (std::size_t i = 1; i <= s.size(); ++i) {
        if (i == s.size() || s[i].m_nTimestamp != s[i - 1].m_nTimestamp + 1) {
            day.nPlaceholderMpx += TakeOutLeadingZeros(s, runStart, i, &CResultRecord::m_fMPXPower);
            day.nPlaceholderMultipath +=
                TakeOutLeadingZeros(s, runStart, i, &CResultRecord::m_fMultipath);
            runStart = i;
        }
    }
    return day;
}

}  // namespace tavik

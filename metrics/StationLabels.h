#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace tavik {

// The station's RDS PI and PS as the metrics show them, fed once a second with what the decoder
// holds. Every distinct label value is a series of its own in Prometheus, so a value changes only
// once the decoded text has stayed the same for kSteadySeconds seconds: a text still being
// received, or a scrolling PS that changes every second or two, makes no new series. A PS whose
// steady text still changed more than kMaxPsChanges times within the last hour (a dynamic PS
// shown a few seconds per word) is left out until an hour passes with fewer changes.
class CStationLabels {
public:
    static constexpr int kSteadySeconds = 3;
    static constexpr int kMaxPsChanges = 6;
    static constexpr std::int64_t kHourSeconds = 3600;

    void Second(const std::string& pi, const std::string& ps);
    // The steady PI; empty before one.
    const std::string& PI() const { return m_pi.strShown; }
    // The steady PS; empty before one, and while the PS is dynamic.
    std::string PS() const;

private:
    struct CSteady {
        std::string strShown;
        std::string strCandidate;
        int nSeconds = 0;  // how long the candidate has stayed
        // True when the shown text changed this second.
        bool Take(const std::string& text);
    };

    CSteady m_pi;
    CSteady m_ps;
    std::int64_t m_nSecond = 0;
    std::deque<std::int64_t> m_psChanges;  // the seconds of the PS's last changes within the hour
};

}  // namespace tavik

#include "document/DropReport.h"

namespace tavik {

void CDropReport::Begin() {
    m_atStart = CDropCounters::Instance().Read();
    m_atLastCheck = m_atStart;
    m_lastLineMinute.fill(0);
}

CDropCounts CDropReport::GetCounts() const {
    return CDropCounters::Instance().Read() - m_atStart;
}

const char* CDropReport::LogName(EDropKind kind) {
    switch (kind) {
        case EDropKind::SampleBlock:
            return "sample blocks";
        case EDropKind::AnalyserBlock:
            return "analyser blocks";
        case EDropKind::RdsBlock:
            return "RDS blocks";
        case EDropKind::Result:
            return "results";
    }
    return "";
}

std::vector<std::string> CDropReport::Check(CTime now) {
    const CDropCounts counts = CDropCounters::Instance().Read();
    const std::int64_t minute = static_cast<std::int64_t>(now.GetTime()) / 60 + 1;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < kDropKinds; ++i) {
        if (counts.n[i] == m_atLastCheck.n[i] || m_lastLineMinute[i] == minute) {
            continue;
        }
        m_lastLineMinute[i] = minute;
        lines.push_back(std::string("Dropped ") + LogName(static_cast<EDropKind>(i)) + ": " +
                        std::to_string(counts.n[i] - m_atStart.n[i]) + " since the start");
    }
    m_atLastCheck = counts;
    return lines;
}

}  // namespace tavik

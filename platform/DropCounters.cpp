#include "platform/DropCounters.h"

namespace tavik {

std::uint64_t CDropCounts::Total() const {
    std::uint64_t total = 0;
    for (const std::uint64_t count : n) {
        total += count;
    }
    return total;
}

CDropCounts CDropCounts::operator-(const CDropCounts& earlier) const {
    CDropCounts difference;
    for (std::size_t i = 0; i < kDropKinds; ++i) {
        difference.n[i] = n[i] - earlier.n[i];
    }
    return difference;
}

const char* CDropCounts::Name(EDropKind kind) {
    switch (kind) {
        case EDropKind::SampleBlock:
            return "samples";
        case EDropKind::AnalyserBlock:
            return "analysers";
        case EDropKind::RdsBlock:
            return "rds";
        case EDropKind::Result:
            return "results";
    }
    return "";
}

std::string CDropCounts::Describe() const {
    std::string text;
    for (std::size_t i = 0; i < kDropKinds; ++i) {
        if (n[i] == 0) {
            continue;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += Name(static_cast<EDropKind>(i));
        text += ' ';
        text += std::to_string(n[i]);
    }
    return text;
}

CDropCounters& CDropCounters::Instance() {
    static CDropCounters counters;
    return counters;
}

CDropCounts CDropCounters::Read() const {
    CDropCounts counts;
    for (std::size_t i = 0; i < kDropKinds; ++i) {
        counts.n[i] = m_counts[i].load(std::memory_order_relaxed);
    }
    return counts;
}

}  // namespace tavik

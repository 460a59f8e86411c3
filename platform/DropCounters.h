#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace tavik {

// What a live pipeline can drop when a consumer cannot keep up.
enum class EDropKind {
    SampleBlock,    // the device's reader still held the half due next
    AnalyserBlock,  // an analyser was busy with the previous block
    RdsBlock,       // the RDS reader or the RDS worker was busy
    Result,         // a posted result gave way to a newer one in a full queue
};
constexpr std::size_t kDropKinds = 4;

// Counts of each kind; differences of two readings give the drops of a run.
struct CDropCounts {
    std::array<std::uint64_t, kDropKinds> n{};

    std::uint64_t operator[](EDropKind kind) const { return n[static_cast<std::size_t>(kind)]; }
    std::uint64_t Total() const;
    CDropCounts operator-(const CDropCounts& earlier) const;
    bool operator==(const CDropCounts&) const = default;

    // The short name of a kind: "samples", "analysers", "rds", "results".
    static const char* Name(EDropKind kind);
    // "analysers 5, rds 1": the non-zero kinds in kind order; empty when nothing dropped.
    std::string Describe() const;
};

// The process's drop counters. Any thread counts without a lock; the document reads them once
// a second and takes the difference to the reading at the start of its run.
class CDropCounters {
public:
    static CDropCounters& Instance();

    void Count(EDropKind kind) {
        m_counts[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_relaxed);
    }
    CDropCounts Read() const;

private:
    std::array<std::atomic<std::uint64_t>, kDropKinds> m_counts{};
};

inline void CountDrop(EDropKind kind) {
    CDropCounters::Instance().Count(kind);
}

}  // namespace tavik

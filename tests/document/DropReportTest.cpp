#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DropReport.h"

namespace tavik {
namespace {

using Lines = std::vector<std::string>;

// One line per kind and minute, with the run's total; drops before Begin do not count.
TEST(DropReport, LogsAKindsFirstDropOfEachMinute) {
    CountDrop(EDropKind::Result);  // an earlier run's
    CDropReport report;
    report.Begin();
    const std::time_t minute = 1781517600;  // a minute's start
    const struct {
        int second;
        std::vector<EDropKind> drops;
        Lines lines;
    } steps[] = {
        {1, {}, {}},
        {2,
         {EDropKind::AnalyserBlock, EDropKind::AnalyserBlock, EDropKind::RdsBlock},
         {"Dropped analyser blocks: 2 since the start", "Dropped RDS blocks: 1 since the start"}},
        {3, {EDropKind::AnalyserBlock}, {}},  // logged in this minute already
        {4, {EDropKind::SampleBlock}, {"Dropped sample blocks: 1 since the start"}},
        {59, {}, {}},
        {60, {EDropKind::AnalyserBlock}, {"Dropped analyser blocks: 4 since the start"}},
        {61, {EDropKind::Result}, {"Dropped results: 1 since the start"}},
        {125, {}, {}},  // nothing new: no line, even in a new minute
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.second);
        for (const EDropKind kind : step.drops) {
            CountDrop(kind);
        }
        EXPECT_EQ(report.Check(CTime(minute + step.second)), step.lines);
    }
    EXPECT_EQ(report.GetCounts().Describe(), "samples 1, analysers 4, rds 1, results 1");
}

}  // namespace
}  // namespace tavik

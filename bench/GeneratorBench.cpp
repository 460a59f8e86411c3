// Cost of the demo generator per 100 ms block; 600 blocks make the default minute, which must
// take well under 10 s on one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "tools/GeneratorOptions.h"
#include "tools/LevelSynth.h"
#include "tools/MpxSynth.h"
#include "tools/RdsScheduler.h"

namespace {

void BM_MpxBlock(benchmark::State& state) {
    const tavik::CGeneratorOptions options;
    const auto bits = tavik::CRdsScheduler::TransmittedBits(options, 72000);
    tavik::CMpxSynth synth(options, bits);
    std::vector<std::int16_t> mpx(20000);
    int blocks = 0;
    for (auto _ : state) {
        if (++blocks == 600) {  // stay within the bits of one minute
            state.PauseTiming();
            synth = tavik::CMpxSynth(options, bits);
            blocks = 0;
            state.ResumeTiming();
        }
        synth.NextBlock(mpx.data(), 20000);
        benchmark::DoNotOptimize(mpx.data());
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_MpxBlock);

void BM_LevelBlock(benchmark::State& state) {
    const tavik::CGeneratorOptions options;
    tavik::CMpxSynth mpxSynth(options, tavik::CRdsScheduler::TransmittedBits(options, 2400));
    std::vector<std::int16_t> mpx(20000);
    std::vector<std::int16_t> level(20000);
    mpxSynth.NextBlock(mpx.data(), 20000);
    tavik::CLevelSynth synth(options);
    for (auto _ : state) {
        synth.NextBlock(mpx.data(), level.data(), 20000);
        benchmark::DoNotOptimize(level.data());
    }
    state.SetItemsProcessed(state.iterations() * 20000);
}
BENCHMARK(BM_LevelBlock);

void BM_RdsMinute(benchmark::State& state) {
    const tavik::CGeneratorOptions options;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tavik::CRdsScheduler::TransmittedBits(options, 71250));
    }
}
BENCHMARK(BM_RdsMinute);

}  // namespace

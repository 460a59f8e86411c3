#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "analysis/MPXPowerTavik.h"

namespace {

// One power pass over a 20000-sample block, run synchronously (no notify window).
void BM_MPXPowerPass(benchmark::State& state) {
    std::vector<float> block(20000);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = 6000.0f * std::sin(0.01f * static_cast<float>(i));
    }
    tavik::CMPXPowerTavik power;
    power.SetSynchronous(true);
    for (auto _ : state) {
        power.PostData(block.data(), 20000);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 20000 * static_cast<int64_t>(sizeof(float)));
}
BENCHMARK(BM_MPXPowerPass);

}  // namespace

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "analysis/SpectrumAnalyser.h"

namespace {

// One spectrum pass (Blackman window, FFT, dB, peak hold) run synchronously.
void BM_SpectrumPass(benchmark::State& state) {
    std::vector<float> block(20000);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = 6000.0f * std::sin(0.01f * static_cast<float>(i));
    }
    tavik::CSpectrumAnalyser analyser;
    analyser.SetSynchronous(true);
    analyser.SetWindow(tavik::CSpectrumAnalyser::WINDOW_BLACKMAN);
    for (auto _ : state) {
        analyser.PostData(block.data(), 20000);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SpectrumPass)->Unit(benchmark::kMicrosecond);

}  // namespace

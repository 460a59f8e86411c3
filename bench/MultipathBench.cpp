#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "analysis/MultipathTavik.h"
#include "platform/MessageQueue.h"

namespace tavik {
namespace {

// One multipath pass as the main timer starts it: the block handed over by the distribution
// thread, the segment choice, the 2000 x 4 fit and the result record (synchronous, so the
// figure is the pass itself and not thread start-up).
void BM_MultipathPass(benchmark::State& state) {
    CMultipathTavik analyser(nullptr);
    analyser.SetSynchronous(true);
    CQueueTarget window;
    analyser.SetNotifyWindow(&window);

    std::vector<float> mpx(CMultipathTavik::kBlockSize);
    std::vector<float> level(CMultipathTavik::kBlockSize);
    for (int i = 0; i < CMultipathTavik::kBlockSize; ++i) {
        const double deviation = 75.0 * std::sin(0.077 * i) * (0.5 + 0.05 * (i / 2000));
        mpx[i] = static_cast<float>(deviation * kMpxReferenceAmplitude / kMpxReferenceDeviation);
        level[i] = static_cast<float>(60.0 + 20.0 * std::log10(1.0 + 1e-3 * deviation));
    }
    CMessage message;
    for (auto _ : state) {
        analyser.PostData(mpx.data(), CMultipathTavik::kBlockSize, level.data(),
                          CMultipathTavik::kBlockSize);
        analyser.Analyse();
        while (window.Queue().PeekMessage(message, 0, 0, true)) {
        }
    }
    benchmark::DoNotOptimize(analyser.GetCoefficients());
}
BENCHMARK(BM_MultipathPass)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tavik

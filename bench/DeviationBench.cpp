#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "analysis/DeviationTavik.h"
#include "platform/MessageQueue.h"

namespace tavik {
namespace {

// A 20000-sample MPX block like the receiver's: a 19 kHz pilot and a 1 kHz tone, ADC units.
std::vector<float> MpxBlock() {
    std::vector<float> block(GLOBAL_SAMPLE_BUFSIZE);
    for (std::size_t i = 0; i < block.size(); ++i) {
        const double t = static_cast<double>(i) / 200000.0;  // 200 kHz sample rate
        block[i] = static_cast<float>(std::round(600.0 * std::sin(2 * M_PI * 19000 * t) +
                                                 5000.0 * std::sin(2 * M_PI * 1000 * t)));
    }
    return block;
}

// One deviation pass as the worker runs it, without the thread: the peaks of both halves, and
// in their turn the time signal (every fifth block) and the statistics (every tenth).
void BM_DeviationPass(benchmark::State& state) {
    const std::vector<float> block = MpxBlock();
    CDeviationTavik deviation;
    deviation.SetReference(kMpxReferenceAmplitude);
    for (auto _ : state) {
        auto result = deviation.AnalyseBlock(block.data(), GLOBAL_SAMPLE_BUFSIZE);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * GLOBAL_SAMPLE_BUFSIZE *
                            static_cast<std::int64_t>(sizeof(float)));
}
BENCHMARK(BM_DeviationPass);

// The same pass with the posting of its results (copies for codes 1, 3, 5, 6 and 4) into a
// queue, in synchronous mode.
void BM_DeviationPassPosted(benchmark::State& state) {
    const std::vector<float> block = MpxBlock();
    CQueueTarget window;
    CDeviationTavik deviation;
    deviation.SetReference(kMpxReferenceAmplitude);
    deviation.SetNotifyWindow(&window);
    deviation.SetSynchronous(true);
    CMessage message;
    for (auto _ : state) {
        deviation.PostData(block.data(), GLOBAL_SAMPLE_BUFSIZE);
        while (window.Queue().PeekMessage(message, 0, 0, true)) {
        }
    }
    state.SetBytesProcessed(state.iterations() * GLOBAL_SAMPLE_BUFSIZE *
                            static_cast<std::int64_t>(sizeof(float)));
}
BENCHMARK(BM_DeviationPassPosted);

}  // namespace
}  // namespace tavik

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/FmModulator.h"
#include "dsp/FmReceiver.h"
#include "dsp/IqFormat.h"

namespace {

using namespace tavik;

// One second of cu8 IQ as rtl_sdr writes it: a station 250 kHz off the centre, a 1 kHz tone
// at 60 kHz deviation with a 57 kHz subcarrier, at about -12 dBFS.
std::vector<std::uint8_t> OneSecondCu8(double rate) {
    CFmModulator modulator({rate, 250000.0, 77.0, 0.0, 0.0});
    std::vector<float> mpx(20000);
    const std::vector<float> level(20000, 65.0f);
    std::vector<std::complex<float>> iq(static_cast<std::size_t>(modulator.MaxOutput(20000)));
    std::vector<std::uint8_t> bytes;
    for (int block = 0; block < 10; ++block) {
        for (int n = 0; n < 20000; ++n) {
            const double t = (block * 20000 + n) / 200000.0;
            mpx[static_cast<std::size_t>(n)] =
                static_cast<float>(18947.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * t) +
                                   947.0 * std::sin(2.0 * std::numbers::pi * 57000.0 * t));
        }
        const int count = modulator.Process(mpx.data(), level.data(), 20000, iq.data());
        const std::size_t at = bytes.size();
        bytes.resize(at + 2 * static_cast<std::size_t>(count));
        EncodeIq(CIqFormat::Cu8, iq.data(), static_cast<std::size_t>(count), bytes.data() + at);
    }
    return bytes;
}

// IQ cu8 to MPX, level and RDS bits, 100 ms per call as the receiver's source feeds it; the
// "x_realtime" counter is seconds of signal per second of one core.
void BM_FmReceiverCu8(benchmark::State& state) {
    const auto rate = static_cast<double>(state.range(0));
    const std::vector<std::uint8_t> signal = OneSecondCu8(rate);
    CFmReceiver receiver({rate, 106.45e6, 106.7e6, 77.0});
    const int chunk = static_cast<int>(rate / 10);
    std::vector<std::complex<float>> iq(static_cast<std::size_t>(chunk));
    std::vector<float> mpx(static_cast<std::size_t>(receiver.MaxOutput(chunk)));
    std::vector<float> level(mpx.size());
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(receiver.MaxRdsBits(chunk)));
    std::size_t offset = 0;
    for (auto _ : state) {
        ConvertIq(CIqFormat::Cu8, signal.data() + offset, iq.size(), iq.data());
        int bitCount = 0;
        benchmark::DoNotOptimize(
            receiver.Process(iq.data(), chunk, mpx.data(), level.data(), bits.data(), bitCount));
        offset = (offset + 2 * iq.size()) % signal.size();
    }
    state.counters["x_realtime"] = benchmark::Counter(0.1 * static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FmReceiverCu8)->Arg(1200000)->Arg(2400000)->Unit(benchmark::kMillisecond);

}  // namespace

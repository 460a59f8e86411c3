#include <benchmark/benchmark.h>

#include <complex>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "dsp/Channeliser.h"
#include "dsp/FmReceiver.h"

namespace {

using namespace tavik;
using Iq = std::complex<float>;

constexpr double kRate = 2400000.0;
constexpr double kCentre = 98.0e6;
constexpr int kChunk = 240000;  // 100 ms, as the receiver's source hands it

// N stations 200 kHz apart around the centre, from -0.9 MHz up.
std::vector<double> Stations(int count) {
    std::vector<double> stations;
    for (int s = 0; s < count; ++s) {
        stations.push_back(kCentre - 900000.0 + 200000.0 * s + 100000.0 * (s % 2));
    }
    return stations;
}

// 100 ms of noise-like IQ: the receivers' cost does not depend on what they receive.
std::vector<Iq> Chunk() {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.1f);
    std::vector<Iq> iq(kChunk);
    for (Iq& x : iq) {
        x = {noise(random), noise(random)};
    }
    return iq;
}

struct CBuffers {
    explicit CBuffers(const CFmReceiver& receiver, int count)
        : mpx(static_cast<std::size_t>(receiver.MaxOutput(count))),
          level(mpx.size()),
          bits(static_cast<std::size_t>(receiver.MaxRdsBits(count))) {}
    std::vector<float> mpx;
    std::vector<float> level;
    std::vector<std::uint8_t> bits;
};

// N stations, each its own receiver on the whole 2.4 MS/s stream (mixer and decimating channel
// filter at the full rate); "x_realtime" is seconds of signal per second of one core.
void BM_IndependentReceivers(benchmark::State& state) {
    const std::vector<Iq> iq = Chunk();
    std::vector<std::unique_ptr<CFmReceiver>> receivers;
    std::vector<CBuffers> buffers;
    for (const double station : Stations(static_cast<int>(state.range(0)))) {
        receivers.push_back(
            std::make_unique<CFmReceiver>(CFmReceiverSettings{kRate, kCentre, station, 100.0}));
        buffers.emplace_back(*receivers.back(), kChunk);
    }
    for (auto _ : state) {
        for (std::size_t s = 0; s < receivers.size(); ++s) {
            int bitCount = 0;
            benchmark::DoNotOptimize(receivers[s]->Process(iq.data(), kChunk, buffers[s].mpx.data(),
                                                           buffers[s].level.data(),
                                                           buffers[s].bits.data(), bitCount));
        }
    }
    state.counters["x_realtime"] = benchmark::Counter(0.1 * static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IndependentReceivers)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// The same stations through one channeliser (one wide transform per block, a small inverse one
// per station) and a receiver per station at the channel's 400 kHz.
void BM_SharedFrontEnd(benchmark::State& state) {
    const std::vector<Iq> iq = Chunk();
    const std::vector<double> stations = Stations(static_cast<int>(state.range(0)));
    CChanneliser channeliser(kRate, kCentre, stations);
    std::vector<std::vector<Iq>> channels(
        stations.size(), std::vector<Iq>(static_cast<std::size_t>(channeliser.MaxOutput(kChunk))));
    std::vector<Iq*> outputs;
    std::vector<std::unique_ptr<CFmReceiver>> receivers;
    std::vector<CBuffers> buffers;
    for (std::size_t s = 0; s < stations.size(); ++s) {
        outputs.push_back(channels[s].data());
        receivers.push_back(std::make_unique<CFmReceiver>(CFmReceiverSettings{
            channeliser.OutputRate(), channeliser.OutputCentre(static_cast<int>(s)), stations[s],
            100.0}));
        buffers.emplace_back(*receivers.back(), channeliser.MaxOutput(kChunk));
    }
    for (auto _ : state) {
        const int count = channeliser.Process(iq.data(), kChunk, outputs.data());
        for (std::size_t s = 0; s < receivers.size(); ++s) {
            int bitCount = 0;
            benchmark::DoNotOptimize(
                receivers[s]->Process(channels[s].data(), count, buffers[s].mpx.data(),
                                      buffers[s].level.data(), buffers[s].bits.data(), bitCount));
        }
    }
    state.counters["x_realtime"] = benchmark::Counter(0.1 * static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SharedFrontEnd)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

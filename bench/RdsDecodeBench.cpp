#include <benchmark/benchmark.h>

#include <vector>

#include "rds/RDSDecoder.h"
#include "tests/rds/RdsTestEncoder.h"

namespace {

using tavik::CRDSDecoder;
using tavik::test::CRdsTestEncoder;

// A clean stream of a busy station: PS with AFs, radio text, PIN, clock, PTYN and EON, in
// the proportions a broadcaster sends them.
std::vector<std::uint8_t> CleanStream(int cycles) {
    constexpr std::uint16_t pi = 0xD313;
    CRdsTestEncoder encoder;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        const int ab = (cycle / 4) & 1;
        encoder.AddGroup(pi, 0x0548, 0xE40B, 0x5441);  // 0A seg 0 "TA", AF 4 follow, 88.6
        encoder.AddGroup(pi, 0x0549, 0x1D3D, 0x5649);  // 0A seg 1 "VI", 90.4, 93.6
        encoder.AddGroup(pi, 0x054A, 0x0B1D, 0x4B20);  // 0A seg 2 "K "
        encoder.AddGroup(pi, 0x054B, 0xCDCD, 0x464D);  // 0A seg 3 "FM"
        encoder.AddRadioText(pi, 0x2540, ab, "Tavik benchmark radio text, sixty-four chars");
        encoder.AddGroup(pi, 0x1540, 0x00E0, 0x7B85);                // 1A variant 0: ECC E0, PIN
        encoder.AddGroup(pi, 0x4541, 0x9DE4, 0x03E2);                // 4A: 5 Dec 2003 23:15
        encoder.AddGroup(pi, 0xA540, 0x5441, 0x5649);                // 10A seg 0 "TAVI"
        encoder.AddGroup(pi, 0xE550 | (cycle & 3), 0x454F, 0xD3A1);  // 14A PS(ON)
    }
    return encoder.Bytes();
}

void BM_RdsDecodeCleanStream(benchmark::State& state) {
    const std::vector<std::uint8_t> stream = CleanStream(200);  // about 50 kB
    constexpr int kChunk = CRDSDecoder::kMaxChunkBytes;
    CRDSDecoder decoder;
    std::int64_t bits = 0;
    for (auto _ : state) {
        for (std::size_t offset = 0; offset + kChunk <= stream.size(); offset += kChunk) {
            decoder.Decode(stream.data() + offset, kChunk);
            bits += 8 * kChunk;
        }
        benchmark::DoNotOptimize(decoder.GetData().m_strPS.data());
    }
    if (decoder.m_dBitErrorRate > 1.0) {
        state.SkipWithError("stream not decoded cleanly");
    }
    state.counters["bits_per_second"] =
        benchmark::Counter(static_cast<double>(bits), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RdsDecodeCleanStream);

void BM_RdsDecodeNoise(benchmark::State& state) {
    CRdsTestEncoder encoder;
    encoder.AddNoise(8 * 50000, 1);
    const std::vector<std::uint8_t> stream = encoder.Bytes();
    constexpr int kChunk = CRDSDecoder::kMaxChunkBytes;
    CRDSDecoder decoder;
    std::int64_t bits = 0;
    for (auto _ : state) {
        for (std::size_t offset = 0; offset + kChunk <= stream.size(); offset += kChunk) {
            decoder.Decode(stream.data() + offset, kChunk);
            bits += 8 * kChunk;
        }
    }
    state.counters["bits_per_second"] =
        benchmark::Counter(static_cast<double>(bits), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RdsDecodeNoise);

}  // namespace

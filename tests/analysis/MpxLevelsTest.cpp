// The MPX readings of synthesised multiplexes whose pilot, RDS and audio levels are known.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "analysis/MpxLevels.h"
#include "tools/GeneratorOptions.h"
#include "tools/MpxSynth.h"

namespace tavik {
namespace {

constexpr int kBlock = GLOBAL_SAMPLE_BUFSIZE;
constexpr double kNone = -100.0;  // a channel left silent

std::vector<std::uint8_t> Bits(std::size_t count) {
    std::vector<std::uint8_t> bits(count);
    std::uint32_t state = 0x1234567u;
    for (auto& bit : bits) {
        state = state * 1664525u + 1013904223u;
        bit = static_cast<std::uint8_t>(state >> 31);
    }
    return bits;
}

CGeneratorOptions Tone(double pilot, double offset, double rds, double leftDb, double rightDb) {
    CGeneratorOptions options;
    options.fPilotDeviation = pilot;
    options.fPilotOffset = offset;
    options.fRdsDeviation = rds;
    options.fLeftDb = leftDb;
    options.fRightDb = rightDb;
    return options;
}

// The readings of every second of `seconds` seconds of the synthesised multiplex.
std::vector<CMpxReadings> Read(const CGeneratorOptions& options, int seconds, CMpxLevels& levels) {
    CMpxSynth synth(options, Bits(static_cast<std::size_t>(seconds) * 1200));
    std::vector<std::int16_t> samples(kBlock);
    std::vector<float> block(kBlock);
    std::vector<CMpxReadings> readings;
    for (int b = 0; b < seconds * CMpxLevels::kBlocksPerOutput; ++b) {
        synth.NextBlock(samples.data(), kBlock);
        block.assign(samples.begin(), samples.end());
        CMpxReadings second;
        if (levels.AnalyseBlock(block.data(), kBlock, second)) {
            readings.push_back(second);
        }
    }
    return readings;
}

struct SPlanted {
    const char* name;
    double pilot, offset, rds, leftDb, rightDb;
};

// Pilot and RDS within 0.1 kHz, the pilot's frequency within 0.5 Hz, planted levels within
// 0.2 dB, and an unused channel at least 30 dB down (the separation).
TEST(MpxLevels, ReadsThePlantedPilotRdsAndLevels) {
    const SPlanted cases[] = {
        {"nominal", 6.75, 0.0, 3.0, -6.0, -6.0},
        {"left only, pilot high", 7.5, 1.7, 2.0, 0.0, kNone},
        {"right only, pilot low", 6.0, -2.0, 7.5, kNone, -3.0},
        {"different levels", 9.0, 0.3, 2.5, -20.0, -1.0},
    };
    for (const SPlanted& c : cases) {
        SCOPED_TRACE(c.name);
        CMpxLevels levels;
        const auto readings = Read(Tone(c.pilot, c.offset, c.rds, c.leftDb, c.rightDb), 3, levels);
        ASSERT_EQ(readings.size(), 3u);
        const CMpxReadings& r = readings.back();
        ASSERT_TRUE(r.pilotKhz && r.pilotErrorHz && r.rdsKhz);
        EXPECT_NEAR(*r.pilotKhz, c.pilot, 0.1);
        EXPECT_NEAR(*r.pilotErrorHz, c.offset, 0.5);
        EXPECT_NEAR(*r.rdsKhz, c.rds, 0.1);
        const auto check = [](float read, double planted, double other) {
            if (planted > kNone) {
                EXPECT_NEAR(read, planted, 0.2);
            } else {
                EXPECT_LE(read, other - 30.0);
            }
        };
        check(r.leftDb, c.leftDb, c.rightDb);
        check(r.rightDb, c.rightDb, c.leftDb);
        EXPECT_NEAR(r.balanceDb, r.leftDb - r.rightDb, 1e-6);
        EXPECT_GE(r.leftHoldDb, r.leftDb);
    }
}

TEST(MpxLevels, MonoWithoutPilotOrRds) {
    CMpxLevels levels;
    CGeneratorOptions options = Tone(0.0, 0.0, 0.0, -10.0, -10.0);
    options.bMono = true;
    const CMpxReadings r = Read(options, 2, levels).back();
    EXPECT_FALSE(r.pilotKhz);
    EXPECT_FALSE(r.pilotErrorHz);
    EXPECT_FALSE(r.rdsKhz);
    EXPECT_NEAR(r.leftDb, -10.0, 0.2);
    EXPECT_NEAR(r.rightDb, -10.0, 0.2);
    EXPECT_NEAR(r.monoDb, -10.0, 0.2);
    EXPECT_LE(r.stereoDb, -60.0);
}

// The programme stops at 1 s for 5 s; silence is M below -40 dB for 3 s. The first quiet
// second is the one after the stop (the filters' tail of the tone reaches into 1-2 s).
TEST(MpxLevels, SilenceAfterTheSetSecondsAndBackWithTheProgramme) {
    CMpxLevels levels;
    ASSERT_TRUE(levels.SetSilence(-40.0f, 3));
    CGeneratorOptions options = Tone(6.75, 0.0, 3.0, -10.0, -10.0);
    options.fSilenceFrom = 1.0;
    options.fSilenceFor = 5.0;
    const auto readings = Read(options, 8, levels);
    ASSERT_EQ(readings.size(), 8u);
    const int quiet[] = {0, 0, 1, 2, 3, 4, 0, 0};
    for (std::size_t s = 0; s < readings.size(); ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(readings[s].quietSeconds, quiet[s]);
        EXPECT_EQ(readings[s].silence, quiet[s] >= 3);
        EXPECT_TRUE(readings[s].pilotKhz);  // pilot and RDS go on through the silence
    }
    EXPECT_NEAR(readings[6].monoHoldDb, -10.0, 0.2);  // held from before the silence
}

// A 5 kHz tone pre-emphasised with 75 us reads its level with the 75 us setting; with 50 us the
// levels come out 10 lg((1 + (w 75 us)^2) / (1 + (w 50 us)^2)) = 2.76 dB high.
TEST(MpxLevels, DeemphasisSetting) {
    CGeneratorOptions options = Tone(6.75, 0.0, 0.0, -12.0, -12.0);
    options.fToneFrequency = 5000.0;
    options.fPreemphasis = 75e-6;
    for (const auto& [microseconds, expected] : {std::pair{75, -12.0}, std::pair{50, -9.24}}) {
        CMpxLevels levels;
        ASSERT_TRUE(levels.SetDeemphasis(microseconds));
        const CMpxReadings r = Read(options, 2, levels).back();
        EXPECT_NEAR(r.leftDb, expected, 0.2) << microseconds;
        EXPECT_NEAR(r.rightDb, expected, 0.2) << microseconds;
    }
}

TEST(MpxLevels, RefusesSettingsOutOfRange) {
    CMpxLevels levels;
    EXPECT_TRUE(levels.SetDeemphasis(75));
    EXPECT_FALSE(levels.SetDeemphasis(60));
    EXPECT_EQ(levels.GetDeemphasis(), 75);
    EXPECT_FALSE(levels.SetSilence(0.0f, 10));
    EXPECT_FALSE(levels.SetSilence(-40.0f, 0));
    EXPECT_TRUE(levels.SetSilence(-50.0f, 3600));
}

}  // namespace
}  // namespace tavik

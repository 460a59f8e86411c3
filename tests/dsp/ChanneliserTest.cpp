#include "dsp/Channeliser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace tavik {
namespace {

using Iq = std::complex<float>;

// `seconds` of the sum of complex tones (frequency in Hz relative to the centre, amplitude).
std::vector<Iq> Tones(double rate, double seconds,
                      const std::vector<std::pair<double, double>>& tones) {
    std::vector<Iq> iq(static_cast<std::size_t>(rate * seconds));
    for (std::size_t n = 0; n < iq.size(); ++n) {
        std::complex<double> sum;
        for (const auto& [hz, amplitude] : tones) {
            sum +=
                std::polar(amplitude, 2.0 * std::numbers::pi * hz * static_cast<double>(n) / rate);
        }
        iq[n] = Iq(sum);
    }
    return iq;
}

// Runs `iq` through the channeliser in cuts of `cut` samples; each channel's output.
std::vector<std::vector<Iq>> Channelise(CChanneliser& channeliser, const std::vector<Iq>& iq,
                                        int cut) {
    const int channels = channeliser.Channels();
    std::vector<std::vector<Iq>> out(static_cast<std::size_t>(channels));
    std::vector<std::vector<Iq>> chunk(
        static_cast<std::size_t>(channels),
        std::vector<Iq>(static_cast<std::size_t>(channeliser.MaxOutput(cut))));
    std::vector<Iq*> pointers;
    for (auto& c : chunk) {
        pointers.push_back(c.data());
    }
    for (std::size_t at = 0; at < iq.size(); at += static_cast<std::size_t>(cut)) {
        const int n =
            static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(cut), iq.size() - at));
        const int written = channeliser.Process(iq.data() + at, n, pointers.data());
        EXPECT_LE(written, channeliser.MaxOutput(n));
        for (int c = 0; c < channels; ++c) {
            out[static_cast<std::size_t>(c)].insert(
                out[static_cast<std::size_t>(c)].end(), chunk[static_cast<std::size_t>(c)].begin(),
                chunk[static_cast<std::size_t>(c)].begin() + written);
        }
    }
    return out;
}

// The worst error of `y` against the tone `hz` (relative to its channel's 0 Hz) of amplitude
// 1, after the filter's delay, with the tone's phase taken from the first sample compared.
double ToneErrorDb(const std::vector<Iq>& y, double hz, double rate) {
    const std::size_t from = 2000;
    const std::complex<double> start(y[from]);
    double worst = 0.0;
    for (std::size_t n = from; n < y.size(); ++n) {
        const std::complex<double> expected =
            start *
            std::polar(1.0, 2.0 * std::numbers::pi * hz * static_cast<double>(n - from) / rate);
        worst = std::max(worst, std::abs(std::complex<double>(y[n]) - expected));
    }
    return 20.0 * std::log10(worst);
}

// Three stations in 2.4 MS/s (as an RTL-SDR gives), each channel at 400 kHz around its own:
// its station's tone comes out whole and continuous across blocks and cuts: phase, level and
// what is left of the neighbours (one 300 kHz away) within -70 dB of it; the channel's centre is
// within half a bin of the station.
TEST(Channeliser, EachChannelHoldsItsStationAndNotItsNeighbours) {
    constexpr double kRate = 2400000.0;
    const std::vector<double> stations = {-700000.0, 100000.0, 400000.0};
    CChanneliser channeliser(kRate, 0.0, stations);
    EXPECT_EQ(channeliser.Decimation(), 6);
    EXPECT_EQ(channeliser.OutputRate(), 400000.0);
    // Each station carries a tone 40 kHz above it; the one at 100 kHz is 300 kHz below the one
    // at 400 kHz, so each of those two is the other's neighbour.
    const std::vector<Iq> iq =
        Tones(kRate, 0.2, {{-660000.0, 1.0}, {140000.0, 1.0}, {440000.0, 1.0}});
    for (const int cut : {4096, 777}) {
        CChanneliser fresh(kRate, 0.0, stations);
        const auto out = Channelise(fresh, iq, cut);
        for (int c = 0; c < 3; ++c) {
            SCOPED_TRACE(c);
            const double centre = fresh.OutputCentre(c);
            EXPECT_LE(std::fabs(centre - stations[static_cast<std::size_t>(c)]), kRate / 6144 / 2);
            const auto& y = out[static_cast<std::size_t>(c)];
            EXPECT_NEAR(static_cast<double>(y.size()), 0.2 * 400000.0, 2000.0);
            // The own tone, exactly; the other two (300 kHz and more away) are what is left.
            const double error =
                ToneErrorDb(y, stations[static_cast<std::size_t>(c)] + 40000.0 - centre, 400000.0);
            EXPECT_LT(error, -70.0) << cut;  // -82 to -92 dB here
        }
    }
}

// The channel keeps the input's timing and length: a carrier switched on at input sample S
// reaches half its amplitude at output sample S / D, and with the flush at the end every input
// sample has its output (the last few, whose filter reaches past the end, weaker).
TEST(Channeliser, OutputKeepsTheInputsTimingToTheEnd) {
    constexpr double kRate = 2400000.0;
    constexpr int kSwitch = 48000;
    std::vector<Iq> iq = Tones(kRate, 0.05, {{300000.0, 1.0}});
    std::fill_n(iq.begin(), kSwitch, Iq{});
    CChanneliser channeliser(kRate, 0.0, {300000.0});
    const int d = channeliser.Decimation();
    std::vector<Iq> y = Channelise(channeliser, iq, 5000)[0];
    std::vector<Iq> tail(static_cast<std::size_t>(channeliser.MaxOutput(0)));
    Iq* out = tail.data();
    const int flushed = channeliser.Flush(&out);
    y.insert(y.end(), tail.begin(), tail.begin() + flushed);
    EXPECT_EQ(y.size(), iq.size() / static_cast<std::size_t>(d));
    const auto half = std::find_if(y.begin(), y.end(), [](Iq x) { return std::abs(x) >= 0.5f; });
    EXPECT_EQ(half - y.begin(), kSwitch / d);
    EXPECT_NEAR(std::abs(y[y.size() - 20]), 1.0,
                0.01);  // the last few lose the zeros after the end
}

// Rates whose channels an FM receiver behind can resample: 2.048 MS/s by 4 (512 kHz), 1.2 by 3;
// a station whose channel would leave the band is refused, and so is a rate below 400 kHz.
TEST(Channeliser, DecimationForTheRateAndStationsOutsideTheBand) {
    EXPECT_EQ(CChanneliser(2048000.0, 0.0, {}).Decimation(), 4);
    EXPECT_EQ(CChanneliser(1200000.0, 0.0, {}).Decimation(), 3);
    EXPECT_EQ(CChanneliser(400000.0, 0.0, {}).Decimation(), 1);
    EXPECT_THROW(CChanneliser(2400000.0, 98e6, {98e6 + 1.1e6}), std::invalid_argument);
    EXPECT_THROW(CChanneliser(300000.0, 0.0, {}), std::invalid_argument);
}

}  // namespace
}  // namespace tavik

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "dsp/ChannelMeter.h"
#include "dsp/FmReceiver.h"

namespace tavik {
namespace {

// A carrier anywhere inside the 200 kHz channel 250 kHz above the centre reads its power; one
// outside the channel (its neighbour's place, or the DC spike) reads nothing.
TEST(ChannelMeter, ACarrierReadsItsPowerOnlyInsideTheChannel) {
    constexpr double kRate = 1200000.0;
    CChannelMeter meter(kRate, 250000.0, 100000.0);
    const struct {
        double frequency;  // Hz from the centre
        double amplitude;
        double expected;  // power
    } cases[] = {
        {250000.0, 0.5, 0.25}, {250000.0, 1.0, 1.0}, {330000.0, 0.1, 0.01}, {171234.5, 0.3, 0.09},
        {450000.0, 1.0, 0.0},  {0.0, 1.0, 0.0},      {-250000.0, 1.0, 0.0},
    };
    std::vector<std::complex<float>> iq(CChannelMeter::kSize);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frequency);
        for (std::size_t n = 0; n < iq.size(); ++n) {
            iq[n] = std::polar(static_cast<float>(c.amplitude),
                               static_cast<float>(2.0 * M_PI * c.frequency * n / kRate));
        }
        EXPECT_NEAR(meter.Measure(iq.data()), c.expected, 1e-4 * c.amplitude * c.amplitude);
    }
}

TEST(ChannelMeter, AChannelOutsideTheBandIsRefused) {
    EXPECT_NO_THROW(CChannelMeter(1200000.0, 500000.0, 100000.0));
    EXPECT_THROW(CChannelMeter(1200000.0, -500001.0, 100000.0), CDspError);
}

}  // namespace
}  // namespace tavik

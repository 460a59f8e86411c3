#pragma once

#include <complex>
#include <cstdint>
#include <vector>

#include "dsp/FmModulator.h"
#include "dsp/FmReceiver.h"

namespace tavik::test {

constexpr double kStation = 106.7e6;
constexpr int kBlock = 20000;

struct Received {
    std::vector<float> mpx;
    std::vector<float> level;
    std::vector<std::uint8_t> bits;
};

// A second ray: `delay` s later, `gain` of the direct one's amplitude.
struct Echo {
    double delay = 0.0;
    double gain = 0.0;
};

// Modulates the MPX (ADC units) at a constant level onto the station `offset` Hz from the IQ's
// centre, through the two-ray channel, and receives it again, 100 ms at a time as the
// receiver's source does.
inline Received RoundTrip(const std::vector<float>& mpx, double level, double rate, double offset,
                          Echo echo = {}) {
    CFmModulator modulator({rate, offset, CFmReceiver::kDefaultFullScaleDbuv, echo.delay, echo.gain,
                            kStation - offset});
    CFmReceiver receiver({rate, kStation - offset, kStation, CFmReceiver::kDefaultFullScaleDbuv});
    const std::vector<float> levels(kBlock, static_cast<float>(level));
    std::vector<std::complex<float>> iq(static_cast<std::size_t>(modulator.MaxOutput(kBlock)));
    std::vector<float> mpxOut(
        static_cast<std::size_t>(receiver.MaxOutput(static_cast<int>(iq.size()))));
    std::vector<float> levelOut(mpxOut.size());
    std::vector<std::uint8_t> bits(
        static_cast<std::size_t>(receiver.MaxRdsBits(static_cast<int>(iq.size()))));
    Received out;
    for (std::size_t start = 0; start + kBlock <= mpx.size(); start += kBlock) {
        const int n = modulator.Process(mpx.data() + start, levels.data(), kBlock, iq.data());
        int bitCount = 0;
        const int m =
            receiver.Process(iq.data(), n, mpxOut.data(), levelOut.data(), bits.data(), bitCount);
        out.mpx.insert(out.mpx.end(), mpxOut.begin(), mpxOut.begin() + m);
        out.level.insert(out.level.end(), levelOut.begin(), levelOut.begin() + m);
        out.bits.insert(out.bits.end(), bits.begin(), bits.begin() + bitCount);
    }
    return out;
}

}  // namespace tavik::test

#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
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

// The MPX (ADC units) modulated at a constant level onto a carrier `offset` Hz above the IQ's
// centre, with white noise at `cn` dB in the 200 kHz channel (none when 0).
inline std::vector<std::complex<float>> StationIq(const std::vector<float>& mpx, double level,
                                                  double rate, double offset, double cn = 0.0,
                                                  unsigned seed = 1) {
    CFmModulator modulator({rate, offset, CFmReceiver::kDefaultFullScaleDbuv, 0.0, 0.0, 0.0});
    const std::vector<float> levels(kBlock, static_cast<float>(level));
    std::vector<std::complex<float>> block(static_cast<std::size_t>(modulator.MaxOutput(kBlock)));
    std::vector<std::complex<float>> iq;
    for (std::size_t start = 0; start + kBlock <= mpx.size(); start += kBlock) {
        const int n = modulator.Process(mpx.data() + start, levels.data(), kBlock, block.data());
        iq.insert(iq.end(), block.begin(), block.begin() + n);
    }
    if (cn > 0.0) {
        // Noise density C / (cn * 200 kHz) over the whole rate, half in I and half in Q.
        const double carrier = std::pow(10.0, (level - CFmReceiver::kDefaultFullScaleDbuv) / 10.0);
        const double sigma = std::sqrt(carrier / std::pow(10.0, cn / 10.0) * rate / 200000.0 / 2.0);
        std::mt19937 random(seed);
        std::normal_distribution<float> gauss(0.0f, static_cast<float>(sigma));
        for (std::complex<float>& x : iq) {
            x += std::complex<float>(gauss(random), gauss(random));
        }
    }
    return iq;
}

inline std::vector<float> Tone(double hertz, double kilohertz, int samples, double phase = 0.0) {
    std::vector<float> mpx(static_cast<std::size_t>(samples));
    for (int n = 0; n < samples; ++n) {
        mpx[static_cast<std::size_t>(n)] = static_cast<float>(
            kilohertz / 19.0 * 6000.0 *
            std::sin(2.0 * 3.14159265358979323846 * hertz * n / 200000.0 + phase));
    }
    return mpx;
}

}  // namespace tavik::test

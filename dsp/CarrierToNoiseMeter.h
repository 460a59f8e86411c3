#pragma once

#include <array>
#include <vector>

namespace tavik {

// The carrier-to-noise ratio of an FM channel, from the noise the discriminator gives above the
// multiplex. Above the FM threshold, white noise of density N0 beside a carrier of power C
// makes the discriminator's frequency noise rise with frequency: its two-sided density is
// D(f)^2 N0 / (2 C), D(f) = (rate / pi) sin(pi f / rate) for a discriminator that takes the
// phase step over one sample. A band-pass over kBandLow to kBandHigh, where the broadcast
// multiplex (up to 60 kHz, 92 kHz with data subcarriers) has nothing, measures that noise's
// power P; then C / N0 = W / P with W = integral over 0..rate/2 of D(f)^2 |H(f)|^2, and the
// ratio in kReferenceBandwidth is C / (N0 kReferenceBandwidth). Below the threshold the
// discriminator's clicks make the reading fall further, down to about 0 dB for noise alone.
class CCarrierToNoiseMeter {
public:
    static constexpr double kBandLow = 100000.0;  // Hz, the band-pass's -6 dB points
    static constexpr double kBandHigh = 125000.0;
    static constexpr double kReferenceBandwidth = 200000.0;  // Hz, the FM channel
    // The band-pass is evaluated at every kStride-th sample: a power needs no more.
    static constexpr int kStride = 8;

    // `rate`: samples per second of the discriminator's output; `hertzPerUnit`: its scale.
    CCarrierToNoiseMeter(double rate, double hertzPerUnit, int maxCount);
    void Reset();
    void Process(const float* x, int count);
    // Adds the band-pass's squared outputs since the last call (Hz^2) to `sum` and their count
    // to `count`, so that a caller can measure over spans of its own.
    void TakeInto(double& sum, long& count);
    // W / kReferenceBandwidth, in Hz^2: the mean power of the band-pass's output that reads
    // 0 dB.
    double ZeroDbPower() const { return m_fZeroDbPower; }
    // The ratio in dB for a mean power (Hz^2) of the band-pass's output.
    static float CarrierToNoise(double zeroDbPower, double power);

private:
    std::vector<float> m_taps;     // reversed
    std::vector<float> m_history;  // the last taps - 1 samples, then the input
    int m_nPhase = 0;              // samples until the next evaluation
    double m_fScale;               // (hertzPerUnit)^2
    double m_fZeroDbPower = 0.0;
    double m_fSum = 0.0;
    long m_nCount = 0;
};

}  // namespace tavik

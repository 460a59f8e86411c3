#pragma once

#include <complex>

namespace tavik {

// Moves a frequency of the IQ to 0 Hz: each sample times a phasor turned by one complex
// product per sample, which costs less than liquid's NCO (bench/); renormalised every
// kRenormalise samples of the stream (not of the call, so that any chunking turns it alike),
// its magnitude stays 1 to float precision. Counts on the way
// the samples at the converter's limits, since the loop loads them anyway. `in` may be `out`.
class CTuner {
public:
    static constexpr int kRenormalise = 1024;
    // An I or Q value at least this large sat at the converter's limit: 0 or 255 of 8 bits,
    // +-32767 of 16 bits, +-1 of floats.
    static constexpr float kConverterLimit = 32767.0f / 32768.0f;

    struct SInputCounts {
        long long nSamples = 0;
        long long nAtLimit = 0;
    };

    // The frequency (Hz at `rate` samples/s) that comes out at 0 Hz; the phase runs on.
    void SetFrequency(double hertz, double rate);
    // The phasor back to 1 and the counts to 0.
    void Reset();
    // Writes `count` samples to `out`; returns `count`.
    int Process(const std::complex<float>* in, int count, std::complex<float>* out);
    // The samples taken, and those at the converter's limits, since the last call.
    SInputCounts TakeInputCounts();

private:
    std::complex<float> m_step{1.0f, 0.0f};  // the phasor's turn per sample
    std::complex<float> m_phasor{1.0f, 0.0f};
    int m_nTurns = 0;  // since the last renormalisation
    SInputCounts m_counts;
};

}  // namespace tavik

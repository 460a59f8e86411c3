#pragma once

#include <complex>
#include <vector>

namespace tavik {

// A complex FIR decimator by a whole factor with real taps, laid out for the compiler to
// vectorise: the taps doubled to match interleaved I and Q, eight running sums. Takes whole
// groups of `factor` samples; allocates nothing after construction.
class CComplexDecimator {
public:
    CComplexDecimator(const std::vector<float>& taps, unsigned factor, int maxGroups);

    // `groups` * factor samples in, `groups` out.
    void Execute(const std::complex<float>* in, int groups, std::complex<float>* out);

private:
    unsigned m_nFactor;
    std::size_t m_nTaps;
    std::vector<float> m_weights;  // reversed taps, each twice
    std::vector<float> m_history;  // interleaved: the last m_nTaps - 1 samples, then the input
};

// The same for real samples (factor 1: a plain FIR filter; `in` may be `out`).
class CRealDecimator {
public:
    CRealDecimator(const std::vector<float>& taps, unsigned factor, int maxGroups);
    void Execute(const float* in, int groups, float* out);

private:
    unsigned m_nFactor;
    std::size_t m_nTaps;
    std::vector<float> m_weights;  // reversed
    std::vector<float> m_history;
};

}  // namespace tavik

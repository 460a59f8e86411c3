#pragma once

#include <complex>
#include <vector>

namespace tavik {

// A complex FIR decimator by a whole factor with real taps, laid out for the compiler to
// vectorise: the taps doubled to match interleaved I and Q, eight running sums. Takes any count
// of samples: those short of a whole group of `factor` wait in the history for the next call,
// so that any cut of a stream gives the same output. Allocates nothing after construction.
class CComplexDecimator {
public:
    // `maxInput`: the most samples one Process call takes.
    CComplexDecimator(const std::vector<float>& taps, unsigned factor, int maxInput);

    void Reset();
    // Writes one sample per whole group of `factor` (with those left from the last call) to
    // `out`, at most (count + factor - 1) / factor; returns how many.
    int Process(const std::complex<float>* in, int count, std::complex<float>* out);

private:
    unsigned m_nFactor;
    std::size_t m_nTaps;
    std::vector<float> m_weights;  // reversed taps, each twice
    // Interleaved: the last m_nTaps - 1 samples of whole groups, the samples waiting for their
    // group, then the input.
    std::vector<float> m_history;
    int m_nWaiting = 0;
};

// A complex rational resampler by interp / decim with real taps, the same polyphase filter as
// liquid's rresamp (`taps`: the prototype at the interpolated rate, its gain folded in; output
// k of each group of `decim` inputs comes after the input that liquid's schedule gives it) in
// the loop of CComplexDecimator, which the compiler vectorises: only the outputs kept are
// computed. Takes any count of samples like CComplexDecimator; allocates nothing after
// construction.
class CComplexResampler {
public:
    CComplexResampler(const std::vector<float>& taps, unsigned interp, unsigned decim,
                      int maxInput);

    void Reset();
    // Writes `interp` samples per whole group of `decim` (with those left from the last call)
    // to `out`; returns how many.
    int Process(const std::complex<float>* in, int count, std::complex<float>* out);
    int MaxOutput(int count) const;

private:
    struct SOutput {
        std::size_t nLast;  // the group's input after which it comes
        std::size_t nBranch;
    };

    unsigned m_nInterp;
    unsigned m_nDecim;
    std::size_t m_nTaps;           // per branch, a multiple of four
    std::vector<float> m_weights;  // per branch its taps reversed, each twice
    std::vector<SOutput> m_outputs;
    std::vector<float> m_history;  // as CComplexDecimator's
    int m_nWaiting = 0;
};

// The same for real samples (factor 1: a plain FIR filter; `in` may be `out`).
class CRealDecimator {
public:
    CRealDecimator(const std::vector<float>& taps, unsigned factor, int maxInput);

    void Reset();
    int Process(const float* in, int count, float* out);

private:
    unsigned m_nFactor;
    std::size_t m_nTaps;
    std::vector<float> m_weights;  // reversed
    std::vector<float> m_history;
    int m_nWaiting = 0;
};

}  // namespace tavik

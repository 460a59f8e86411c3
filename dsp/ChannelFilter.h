#pragma once

#include <complex>
#include <optional>
#include <vector>

#include "dsp/FirDecimator.h"

namespace tavik {

// The FM channel filtered out of the tuned IQ and resampled by interp / decim to 400 kHz: flat
// over the channel, 60 dB down from where the resampling would fold signals back into it
// (400 kHz - 140 kHz). Takes any count of samples: those short of a whole group of `decim`
// wait for the next call, so that any cut of a stream gives the same output. Allocates nothing
// after construction. At 400 kHz the IQ is the channel as it comes, only delayed by
// kDelayAt400k: a filter there could cut nothing that the resampling would fold, and the delay
// is the one the filters of the other rates have (6.1 to 6.5 samples at 400 kHz), so that the
// MPX keeps its timing whatever the rate.
class CChannelFilter {
public:
    // `rate`: IQ samples per second, rate * interp / decim = 400 kHz; `maxInput`: the most
    // samples one Process call takes.
    CChannelFilter(double rate, unsigned interp, unsigned decim, int maxInput);

    void Reset();
    // Writes `interp` samples per whole group to `out` (room for MaxOutput(count)); returns how
    // many.
    int Process(const std::complex<float>* in, int count, std::complex<float>* out);
    int MaxOutput(int count) const;

    static constexpr int kDelayAt400k = 6;

private:
    int m_nInterp;
    int m_nDecim;
    // Whole-number decimation (1.2 and 2.4 MS/s, the rates of live receivers) or a rational
    // rate; both in loops the compiler vectorises, three times liquid's speed (bench/).
    std::optional<CComplexDecimator> m_decimator;
    std::optional<CComplexResampler> m_resampler;
    std::vector<std::complex<float>> m_delay;  // or at 400 kHz the last kDelayAt400k samples
};

}  // namespace tavik

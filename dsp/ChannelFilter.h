#pragma once

#include <complex>
#include <optional>
#include <vector>

#include "dsp/FirDecimator.h"
#include "dsp/LiquidHandles.h"

namespace tavik {

// The FM channel filtered out of the tuned IQ and resampled by interp / decim to 400 kHz: flat
// over the channel, 60 dB down from where the resampling would fold signals back into it
// (400 kHz - 140 kHz). Takes any count of samples: those short of a whole group of `decim`
// wait for the next call, so that any cut of a stream gives the same output. Allocates nothing
// after construction.
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

private:
    int Resample(const std::complex<float>* in, int count, std::complex<float>* out);

    int m_nInterp;
    int m_nDecim;
    // Whole-number decimation (1.2 and 2.4 MS/s, the rates of live receivers): the same filter
    // in a loop the compiler vectorises, three times liquid's speed (bench/).
    std::optional<CComplexDecimator> m_decimator;
    CLiquidResampler m_pResampler;             // or a rational rate
    std::vector<std::complex<float>> m_group;  // the resampler's samples short of a group
    int m_nWaiting = 0;
};

}  // namespace tavik

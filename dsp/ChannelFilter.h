#pragma once

#include <complex>
#include <optional>

#include "dsp/FirDecimator.h"

namespace tavik {

// The FM channel filtered out of the tuned IQ and resampled by interp / decim to 400 kHz: flat
// over the channel, 60 dB down from where the resampling would fold signals back into it
// (400 kHz - 140 kHz). Takes any count of samples: those short of a whole group of `decim`
// wait for the next call, so that any cut of a stream gives the same output. Allocates nothing
// after construction. At 400 kHz the IQ is the channel as it comes (Identity()): a filter
// there could cut nothing that the resampling would fold.
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
    // At 400 kHz: Process copies its input, which a caller may take instead.
    bool Identity() const { return !m_decimator && !m_resampler; }

private:
    int m_nInterp;
    int m_nDecim;
    // Whole-number decimation (1.2 and 2.4 MS/s, the rates of live receivers) or a rational
    // rate; both in loops the compiler vectorises, three times liquid's speed (bench/).
    std::optional<CComplexDecimator> m_decimator;
    std::optional<CComplexResampler> m_resampler;
};

}  // namespace tavik

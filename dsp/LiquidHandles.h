#pragma once

#include <memory>
#include <vector>

// liquid-dsp's objects, owned: each handle destroys its object with the library's own call.
struct rresamp_crcf_s;
struct freqdem_s;
struct fftplan_s;

namespace tavik {

struct CLiquidDestroy {
    void operator()(rresamp_crcf_s* q) const;
    void operator()(freqdem_s* q) const;
    void operator()(fftplan_s* q) const;
};

using CLiquidResampler = std::unique_ptr<rresamp_crcf_s, CLiquidDestroy>;
using CLiquidFreqDem = std::unique_ptr<freqdem_s, CLiquidDestroy>;
using CLiquidFft = std::unique_ptr<fftplan_s, CLiquidDestroy>;

// A rational resampler by interp/decim with a Kaiser low-pass of cut-off `cutoff` Hz at input
// rate `rate`, transition `transition` Hz wide, unity gain at 0 Hz.
CLiquidResampler MakeResampler(unsigned interp, unsigned decim, double rate, double cutoff,
                               double transition);
// The prototype MakeResampler designs, its gain folded in: interp at 0 Hz, so that the
// resampled signal keeps its level (CComplexResampler).
std::vector<float> ResamplerTaps(unsigned interp, double rate, double cutoff, double transition);
// The taps MakeResampler(1, ...) filters with, scaled to unity gain at 0 Hz.
std::vector<float> DecimatorTaps(double rate, double cutoff, double transition);
// The taps of a real decimator with the same kind of low-pass, scaled to unity gain at 0 Hz.
// `inverseSinc` adds the correction 1 + x^2/6 (x = pi f / rate) for a response falling as
// sin(x)/x, as a quadrature discriminator's does: it measures the phase step over a whole
// sample.
std::vector<float> RealDecimatorTaps(double rate, double cutoff, double transition,
                                     bool inverseSinc);

}  // namespace tavik

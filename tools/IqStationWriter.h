#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dsp/FmModulator.h"
#include "dsp/IqFormat.h"
#include "tools/GeneratorOptions.h"
#include "tools/Random.h"

namespace tavik {

// The generated station as a software-defined radio would have recorded it: the multiplex
// frequency-modulated onto a carrier, the RF level as the carrier's amplitude, an optional
// second ray, and thermal noise at the options' carrier-to-noise ratio, measured in the
// 200 kHz of the channel. The carrier lies kOffset above the capture's centre (away from a
// real receiver's DC spike) where the rate leaves room, else on it. The mean level sits
// kHeadroom below full scale; the SigMF metadata says so ("tavik:full_scale_dbuv"), so that
// the receiver reads the levels of the recordings again.
class CIqStationWriter {
public:
    static constexpr double kOffset = 250000.0;
    static constexpr double kHeadroom = 12.0;            // dB
    static constexpr double kNoiseBandwidth = 200000.0;  // Hz the C/N refers to

    explicit CIqStationWriter(const CGeneratorOptions& options);
    ~CIqStationWriter();

    // One block of the recordings (MPX and level ADC samples) as IQ bytes; valid until the
    // next call.
    const std::vector<std::uint8_t>& Modulate(const std::int16_t* mpx, const std::int16_t* level,
                                              int count);
    // "station.sigmf-meta".
    std::string Metadata() const;
    double CentreFrequency() const { return m_fCentre; }  // Hz
    double FullScaleDbuv() const { return m_fFullScale; }

private:
    const CGeneratorOptions& m_options;
    CIqFormat m_format;
    double m_fCentre;
    double m_fFullScale;
    float m_fNoiseSigma;  // per component
    std::unique_ptr<CFmModulator> m_pModulator;
    CRandom m_random;
    std::vector<float> m_mpx;
    std::vector<float> m_level;
    std::vector<std::complex<float>> m_iq;
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace tavik

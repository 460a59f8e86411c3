#pragma once

#include <complex>
#include <memory>
#include <vector>

namespace tavik {

// Cuts the channels of several stations out of one wideband IQ stream at once, by fast
// convolution (overlap-save): each block of the input is transformed once, and each channel
// takes the bins around its station, weighted by the channel low-pass, and transforms them
// back at the reduced rate. A station costs one small inverse transform per block instead of a
// mixer and a decimating filter at the full rate.
//
// Each channel's output is the IQ around the bin nearest its station (OutputCentre), at
// OutputRate() = rate / Decimation(), flat to +-kPassHalfWidth and down by 70 dB at the edges of
// the output's band; nothing folds. The output keeps the input's timing: its sample n is the
// input's sample n D, the low-pass's delay taken off. Samples may come in any cut. No
// allocation after construction.
class CChanneliser {
public:
    static constexpr double kMinimumOutputRate = 400000.0;
    static constexpr double kPassHalfWidth = 150000.0;  // Hz: the FM channel and its margin
    static constexpr int kMaxInput = 1 << 18;

    // `rate`: IQ samples per second; `centre`: Hz at the IQ's 0 Hz; `stations`: Hz. Throws
    // std::invalid_argument when the rate is below kMinimumOutputRate.
    CChanneliser(double rate, double centre, const std::vector<double>& stations);
    ~CChanneliser();
    CChanneliser(const CChanneliser&) = delete;
    CChanneliser& operator=(const CChanneliser&) = delete;

    int Decimation() const { return m_nDecimation; }
    double OutputRate() const { return m_fRate / m_nDecimation; }
    int Channels() const { return static_cast<int>(m_channels.size()); }
    // The frequency at channel `channel`'s 0 Hz (within half a bin of its station).
    double OutputCentre(int channel) const;
    // The most samples one Process call of `count` inputs writes to each channel.
    int MaxOutput(int count) const;

    // Takes `count` (<= kMaxInput) IQ samples and writes each channel's output to
    // `out[channel]` (room for MaxOutput(count)); returns the samples written to each.
    int Process(const std::complex<float>* in, int count, std::complex<float>* const* out);
    // At the input's end: the outputs of the samples taken since the last whole block (room
    // for MaxOutput(0)); returns how many.
    int Flush(std::complex<float>* const* out);

private:
    struct CChannel;
    int Block(std::complex<float>* const* out, int at);

    double m_fRate;
    double m_fCentre;
    int m_nDecimation;
    int m_nSize;     // N: the wideband transform
    int m_nNarrow;   // M = N / D: each channel's inverse transform
    int m_nOverlap;  // V: samples kept from the last block, a multiple of D
    int m_nFilled;   // samples in the block being filled
    int m_nDelay;    // the low-pass's delay in output samples, left out of the first block
    bool m_bStarted = false;
    std::vector<std::complex<float>> m_narrowResponse;  // the low-pass's bins a channel takes
    std::vector<std::complex<float>> m_input;           // the block being filled
    std::vector<std::unique_ptr<CChannel>> m_channels;
    struct CTransforms;
    std::unique_ptr<CTransforms> m_pFft;
};

}  // namespace tavik

#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

#include "dsp/FirDecimator.h"

namespace tavik {

// The RDS bit stream from the multiplex, as a receiver's RDS chip gives it: the 57 kHz
// subcarrier mixed to baseband, decimated by 8 to 25 kHz (a short filter that keeps what
// folds onto the RDS band 60 dB down) and resampled to 16 samples per bit (19000/s, the sharp
// filter, now at the lower rate), a Costas loop
// for the carrier phase, a matched filter for the biphase symbol (one sine period per bit),
// the symbol clock from where the filter's output has most energy, and differential decoding
// (b = d xor d'), which also removes the loop's 180-degree ambiguity.
class CRdsDemodulator {
public:
    static constexpr double kMpxRate = 200000.0;
    static constexpr double kBitRate = 1187.5;
    static constexpr int kSamplesPerBit = 16;

    // `maxInput`: the most MPX samples one Process call gets.
    explicit CRdsDemodulator(int maxInput);

    // Demodulates `count` MPX samples (any scale) and writes one byte 0 or 1 per decoded bit
    // to `bits`, which has room for MaxBits(count); returns the number of bits.
    int Process(const float* mpx, int count, std::uint8_t* bits);
    // A decision comes at least half a bit (84 MPX samples) after the last, also when the
    // symbol clock moves: twice the bit rate bounds the count.
    static int MaxBits(int count) { return count / 80 + 2; }

private:
    void Symbol(std::complex<float> baseband, std::uint8_t* bits, int& produced);

    CComplexDecimator m_decimator;
    CComplexResampler m_resampler;
    std::array<std::complex<float>, 200> m_carrier{};  // 57 kHz at 200 kHz: 57 cycles in 200
    int m_nCarrierIndex = 0;
    std::vector<std::complex<float>> m_mixed;      // one call's mixed samples
    std::vector<std::complex<float>> m_decimated;  // at 25 kHz
    std::vector<std::complex<float>> m_baseband;   // resampled to 19 kHz

    // Costas loop.
    float m_fPhase = 0.0f;
    float m_fFrequency = 0.0f;
    float m_fPower = 1e-12f;
    // Matched filter over the last kSamplesPerBit samples (real part after the loop).
    std::array<float, kSamplesPerBit> m_history{};
    std::array<float, kSamplesPerBit> m_shape{};
    int m_nHistory = 0;
    // Symbol clock.
    std::array<float, kSamplesPerBit> m_energy{};
    int m_nPhase = 0;
    int m_nDecisionPhase = 0;
    int m_nSinceDecision = 0;
    std::uint8_t m_nPreviousCoded = 0;
};

}  // namespace tavik

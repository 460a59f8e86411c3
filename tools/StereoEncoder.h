#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tavik {

// Builds the multiplex from left and right programme samples at 200000 samples/s: L+R in
// baseband, the 19 kHz pilot, L-R as DSB-SC on 38 kHz and the RDS signal as biphase BPSK on
// 57 kHz, its data spectrum shaped by cos(pi f td / 4) up to 2 / td (td = 1 / 1187.5 s), so
// that it stays within 57 +- 2.4 kHz as an RDS coder's does. 19 kHz at 200 kHz repeats exactly
// every 200 samples (19 cycles), so pilot and both subcarriers come from one table of that length
// and stay phase-locked for ever; an RDS bit lasts 3200/19 samples, so bit index and phase within
// the bit are exact integer arithmetic.
class CStereoEncoder {
public:
    static constexpr int kSampleRate = 200000;
    static constexpr int kPilotPeriod = 200;       // samples per 19 pilot cycles
    static constexpr int kBitPeriodScaled = 3200;  // samples per 19 RDS bits
    // The shaped symbol reaches this many bits to either side of its own.
    static constexpr int kSymbolReach = 3;

    // Amplitudes in ADC units; `rdsBits` is the transmitted bit stream, one bit per element.
    CStereoEncoder(float pilotAmplitude, float rdsAmplitude, bool bStereo,
                   const std::vector<std::uint8_t>& rdsBits);

    // Moves the pilot `hertz` off 19 kHz, the 38 and 57 kHz carriers with it (a stereo coder
    // whose clock is off). Set before the first sample.
    void SetPilotOffset(double hertz);

    // Composite of `count` samples continuing from the previous call.
    void Process(const float* left, const float* right, int count, float* mpx);

    // The differentially coded bit that goes on air for data bit k (IEC 62106: d = b xor d').
    std::uint8_t CodedBit(std::size_t k) const { return m_coded[k]; }
    std::int64_t Position() const { return m_nSample; }

private:
    static std::vector<float> ShapedSymbol();
    float RdsBaseband() const;

    float m_fPilot;
    float m_fRds;
    bool m_bStereo;
    std::vector<std::uint8_t> m_coded;
    std::array<float, kPilotPeriod> m_pilot{};
    std::array<float, kPilotPeriod> m_stereo{};
    std::array<float, kPilotPeriod> m_rdsCarrier{};
    // The shaped biphase symbol of the bit at 0, from kSymbolReach bits before it to kSymbolReach
    // bits after it, in nineteenths of a sample.
    std::vector<float> m_biphase;
    std::int64_t m_nSample = 0;
    double m_fOffsetStep = 0.0;  // radians per sample of the offset pilot; 0: the tables
    double m_fTheta = 0.0;       // the offset pilot's phase
};

}  // namespace tavik

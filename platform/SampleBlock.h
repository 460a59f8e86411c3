#pragma once

#include <limits>

namespace tavik {

// Samples per MPX block and per level block: 100 ms at 200000 samples per second.
constexpr int GLOBAL_SAMPLE_BUFSIZE = 20000;

// The scale of the MPX samples, raw signed ADC values: an amplitude of kMpxReferenceAmplitude
// ADC units is kMpxReferenceDeviation kHz of frequency deviation (the stereo pilot's 19 kHz).
constexpr float kMpxReferenceAmplitude = 6000.0f;
constexpr float kMpxReferenceDeviation = 19.0f;  // kHz

// Figures of an MPX block of whole-number samples (a recording's 16-bit values), worked out
// while the block is converted so that the analysers need not pass over it again. Exact: the
// squares and their sum are whole numbers far below 2^53, so any order of summing gives this.
struct CBlockFigures {
    int nCount = 0;               // samples the figures cover
    float fFirstHalfPeak = 0.0f;  // largest magnitude of samples [0, nCount / 2)
    float fPeak = 0.0f;           // largest magnitude of the block
    double dSumOfSquares = 0.0;
};

// How a software receiver received one block: what it knows of the air that the samples
// alone do not say. A recording has none.
struct CReception {
    static constexpr float kUnknown = std::numeric_limits<float>::quiet_NaN();
    // Below this carrier-to-noise ratio the noise adds to the deviation peaks and the level's
    // ripple: deviation and multipath are not measured under the ITU-R conditions.
    static constexpr float kMinimumCarrierToNoise = 30.0f;  // dB
    // Below this there is no FM carrier to measure (noise alone reads about 0 dB).
    static constexpr float kNoSignalCarrierToNoise = 10.0f;  // dB
    // More of the IQ samples than this at the converter's limits distorts the channel.
    static constexpr float kOverloadPercent = 0.1f;

    float fCarrierToNoise = kUnknown;     // dB in the 200 kHz channel
    float fFrequencyError = kUnknown;     // Hz, the carrier above the station's frequency
    float fFrequencyErrorPpm = kUnknown;  // the same in parts per million of the frequency
    float fOverload = 0.0f;               // % of the IQ samples at the converter's limits
    bool bSignal = true;                  // an FM carrier is there

    bool LowCarrierToNoise() const { return fCarrierToNoise < kMinimumCarrierToNoise; }
    bool Overloaded() const { return fOverload > kOverloadPercent; }
};

// What a software receiver gives with a block besides its samples.
struct CReceivedFigures {
    CBlockFigures figures;  // true peaks (oversampled) and the sum of squares
    CReception reception;
};

}  // namespace tavik

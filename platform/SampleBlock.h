#pragma once

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

}  // namespace tavik

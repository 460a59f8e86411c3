#pragma once

namespace tavik {

// Samples per MPX block and per level block: 100 ms at 200000 samples per second.
constexpr int GLOBAL_SAMPLE_BUFSIZE = 20000;

// The scale of the MPX samples, raw signed ADC values: an amplitude of kMpxReferenceAmplitude
// ADC units is kMpxReferenceDeviation kHz of frequency deviation (the stereo pilot's 19 kHz).
constexpr float kMpxReferenceAmplitude = 6000.0f;
constexpr float kMpxReferenceDeviation = 19.0f;  // kHz

}  // namespace tavik

#pragma once

#include <array>
#include <complex>
#include <vector>

#include "dsp/FirDecimator.h"

namespace tavik {

// What the pilot tracker measured since it was last asked.
struct CPilotFigures {
    float fAmplitude = 0.0f;  // peak amplitude of the pilot, in the units of the MPX samples
    float fOffset = 0.0f;     // Hz above 19000
    int nChunks = 0;          // 1-ms chunks measured
};

// Decodes the stereo multiplex (200000 samples/s) into left and right audio at 50000 samples/s:
// a phase-locked loop on the 19 kHz pilot regenerates the 38 kHz carrier, M = L+R/2 comes from
// the baseband and S = (L-R)/2 from the carrier's sidebands, both low-passed at 15 kHz and
// de-emphasised; L = M + S, R = M - S. Without a pilot S is left out (mono).
//
// The pilot is measured in chunks of 200 samples (1 ms, exactly 19 pilot periods): the chunk's
// sum against the nominal 19 kHz gives the pilot's phase, which the loop follows once per chunk.
// The 38 kHz carrier of a chunk is taken at the loop's phase in the middle of the chunk.
// Samples are taken in any cut; the output does not depend on it. No allocation after
// construction.
class CStereoDecoder {
public:
    static constexpr int kMpxRate = 200000;
    static constexpr int kDecimation = 4;
    static constexpr int kAudioRate = kMpxRate / kDecimation;
    static constexpr int kChunk = 200;  // samples of one loop update

    // `deemphasis` in seconds (50e-6 or 75e-6; 0: none); `pilotThreshold`: the pilot amplitude
    // (in the MPX samples' units) from which the decoder decodes stereo; `maxInput`: the most
    // samples one Process call takes.
    CStereoDecoder(double deemphasis, float pilotThreshold, int maxInput);

    void Reset();
    // Decodes `count` samples; writes up to (count + 3) / 4 samples to each of `left` and `right`
    // and returns how many.
    int Process(const float* mpx, int count, float* left, float* right);

    // The pilot's amplitude and frequency since the last call (the loop's phase advance over the
    // chunks, the de-rotated chunk sums averaged coherently); starts a new measurement.
    CPilotFigures TakePilotFigures();
    // The decoder decodes stereo (a pilot above the threshold).
    bool IsStereo() const { return m_bStereo; }

private:
    void EndChunk();

    float m_fPilotThreshold;
    float m_fDeemphasis;  // one-pole coefficient at the MPX rate; 1: none
    std::array<float, kChunk> m_cos{};
    std::array<float, kChunk> m_sin{};
    std::array<float, kChunk> m_cos2{};
    std::array<float, kChunk> m_sin2{};

    // Loop state: phase of the pilot against the nominal table at the chunk's start, and the
    // phase step per chunk (radians).
    double m_fPhase = 0.0;
    double m_fStep = 0.0;
    float m_fCarrierCos = 1.0f;  // cos and sin of twice the phase in the chunk's middle
    float m_fCarrierSin = 0.0f;
    std::complex<double> m_sum{};  // this chunk's sum against the nominal pilot
    int m_nPosition = 0;           // sample within the chunk
    float m_fLevel = 0.0f;         // smoothed pilot amplitude
    bool m_bStereo = false;

    std::complex<double> m_coherent{};  // de-rotated chunk sums since TakePilotFigures
    double m_fAdvance = 0.0;            // loop phase advance since TakePilotFigures
    int m_nChunks = 0;

    CRealDecimator m_mono;  // to the audio rate
    CRealDecimator m_difference;
    CRealDecimator m_monoAudio;  // the 15 kHz low-pass at the audio rate
    CRealDecimator m_differenceAudio;
    std::vector<float> m_m;  // baseband, then decimated M
    std::vector<float> m_s;  // demodulated S, then decimated
    float m_fDeM = 0.0f;
    float m_fDeS = 0.0f;
};

}  // namespace tavik

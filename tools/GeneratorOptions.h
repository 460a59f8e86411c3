#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tavik {

// A transmitter in the band scan: frequency in MHz, level in dBuV.
struct CPanoramaStation {
    double fFrequency = 0.0;
    double fLevel = 0.0;
};

// Everything `tavik generate` can be told; the defaults describe a loud stereo station on
// 106.7 MHz with full RDS, a small multipath coupling and a busy band around it.
struct CGeneratorOptions {
    std::string strOutputFolder;
    double fSeconds = 60.0;
    std::uint64_t nSeed = 1;

    // MPX, deviations in kHz (6000 ADC units = 19 kHz).
    double fPeakDeviation = 75.0;  // programme + pilot + RDS peak the limiter aims at
    double fMpxPower = 3.0;        // dBr the programme's gain control aims at
    double fOvershoot = 3.0;       // percent by which occasional peaks pass the limiter
    bool bMono = false;            // no pilot and no L-R
    double fPilotDeviation = 6.75;
    double fRdsDeviation = 3.0;
    double fToneFrequency = 0.0;  // Hz; non-zero replaces the programme by this tone
    double fToneDeviation = 50.0;
    double fPilotOffset = 0.0;  // Hz of the pilot above 19 kHz
    // A stereo test tone (fToneFrequency, 1 kHz when not given) with these peak levels in dB of
    // full modulation (0 dB: the channel alone deviates by 75 kHz), pre-emphasised; NaN: the
    // tone of fToneDeviation in both channels.
    double fLeftDb = std::numeric_limits<double>::quiet_NaN();
    double fRightDb = std::numeric_limits<double>::quiet_NaN();
    double fPreemphasis = 50e-6;  // s, of the stereo test tone; 0: none
    // The programme (not pilot and RDS) is silent from fSilenceFrom for fSilenceFor seconds.
    double fSilenceFrom = 0.0;
    double fSilenceFor = 0.0;

    // RF level.
    double fLevel = 65.0;       // mean dBuV
    double fFading = 3.0;       // dB, peak of the slow fading
    double fLevelNoise = 0.2;   // dB rms
    double fFrequency = 106.7;  // MHz, where the station lies in the band scan
    // Amplitude coupling a(f) = c3 (1 + c2 f + c1 f^2 + c0 f^3), f the deviation in kHz.
    std::array<double, 3> multipath = {1e-8, 2e-6, 2.5e-3};  // c0, c1, c2

    // RDS.
    std::uint16_t nPI = 0xD313;
    int nPTY = 10;  // Pop Music
    std::uint8_t nECC = 0xE0;
    int nLanguage = 8;  // German
    bool bTP = true;
    bool bTA = false;
    bool bMusic = true;
    std::string strPS = "TAVIK FM";
    std::string strPTYN = "Pop Hits";
    std::string strRadioText1 = "Tavik FM - the synthetic station for measurements";
    std::string strRadioText2 = "Now playing: tones and noise in stereo";
    std::vector<double> af = {106.7, 98.2, 101.3, 89.4, 93.7};
    std::uint16_t nEonPI = 0xD3A2;
    std::string strEonPS = "TAVIK TP";
    int nEonPTY = 3;  // Information
    bool bEonTP = true;
    bool bEonTA = false;
    std::vector<double> eonAF = {91.6, 94.5};
    std::string strStart = "2026-06-15T10:00:00";  // UTC of the first sample, as given
    std::int64_t nStartTime = 1781517600;          // the same in seconds since 1970
    int nLocalOffset = 4;                          // half hours, signed
    double fBitErrorRate = 0.0;                    // share of inverted bits in "rds.dat"
    int nNoiseBits = 0;                            // random bits before the first group
    // `generate --iq` starts the RDS with this many: on air the stream runs before a capture
    // begins, and without them the software receiver's demodulator locks during the first
    // group (about 10 bits) and loses it, and with it what the second group carries.
    static constexpr int kIqNoiseBits = 32;

    // IQ: with a datatype ("cu8", "ci16_le", "cf32_le") the station is also written as
    // FM-modulated IQ in SigMF ("station.sigmf-meta", "station.sigmf-data").
    std::string strIqDatatype;
    double fIqRate = 1200000.0;    // samples/s
    double fCarrierToNoise = 0.0;  // dB in the 200 kHz channel; 0: no noise
    double fEchoDelay = 0.0;       // s of the second ray; 0: none
    double fEchoLevel = -6.0;      // dB of the second ray against the first
    // MHz of further carriers in the capture, each the station's programme at half its
    // deviation and 6 dB weaker: several stations in one capture.
    std::vector<double> neighbours;

    // Band scan: the other stations (the generated one is added at fFrequency).
    double fNoiseFloor = 28.0;  // dBuV
    std::vector<CPanoramaStation> stations = {
        {87.9, 48.0}, {88.6, 62.0},  {89.4, 55.0},  {90.7, 44.0},  {91.6, 70.0},
        {93.3, 58.0}, {94.5, 66.0},  {96.1, 51.0},  {97.4, 72.0},  {98.2, 60.0},
        {99.7, 46.0}, {101.3, 68.0}, {102.8, 53.0}, {104.6, 63.0}, {107.5, 49.0},
    };
};

}  // namespace tavik

// CStationGenerator::Describe: the text of station.txt.
#include <array>
#include <cstdio>
#include <string>

#include "device/PlaybackCalibration.h"
#include "rds/RDSCharacterSet.h"
#include "tools/PanoramaSynth.h"
#include "tools/StationGenerator.h"

namespace tavik {

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

std::string List(const std::vector<double>& megahertz) {
    std::string text;
    for (double f : megahertz) {
        text += (text.empty() ? "" : ", ") + Format("%.1f", f);
    }
    return text.empty() ? "none" : text;
}

}  // namespace

std::string CStationGenerator::Describe(const CGenerationSummary& summary) const {
    const CGeneratorOptions& o = m_options;
    std::string text = "Tavik synthetic FM station (tavik generate)\n";
    text +=
        Format("Length: %.1f s, %lld samples per channel at 200000/s, seed %llu\n",
               static_cast<double>(summary.nSamples) / 200000.0,
               static_cast<long long>(summary.nSamples), static_cast<unsigned long long>(o.nSeed));
    text += "\nmpx.dat (6000 = 19 kHz deviation)\n";
    if (o.fToneFrequency > 0.0) {
        text += Format("  Programme: tone %.1f Hz at %.2f kHz deviation\n", o.fToneFrequency,
                       o.fToneDeviation);
    } else {
        text += Format(
            "  Programme: %s tones and noise, 50 us pre-emphasis, limited to %.1f kHz peak with "
            "%.1f %% overshoots, gain control towards %+.1f dBr\n",
            o.bMono ? "mono" : "stereo", o.fPeakDeviation, o.fOvershoot, o.fMpxPower);
    }
    text += Format("  Pilot: %.2f kHz; RDS on 57 kHz: %.2f kHz\n",
                   o.bMono ? 0.0 : o.fPilotDeviation, o.fRdsDeviation);
    text += Format("  Measured: peak deviation %.2f kHz, MPX power %+.2f dBr\n",
                   summary.fPeakDeviation, summary.fMpxPower);
    text += "\nlev.dat (dBuV = (r + 32767) * 0.0011444092 + 22.5)\n";
    text += Format("  Mean %.1f dBuV, fading %.1f dB, noise %.2f dB rms; measured mean %.2f dBuV\n",
                   o.fLevel, o.fFading, o.fLevelNoise, summary.fMeanLevel);
    text += Format(
        "  Multipath: a(f) = c3 (1 + c2 f + c1 f^2 + c0 f^3) with c0 = %g, c1 = %g, "
        "c2 = %g\n",
        o.multipath[0], o.multipath[1], o.multipath[2]);
    const std::array<float, 4> k = PlaybackCalibrationValues();
    text += Format(
        "  plus the receiver's own response of its playback calibration: k0 = %g, k1 = %g, "
        "k2 = %g\n",
        static_cast<double>(k[0]), static_cast<double>(k[1]), static_cast<double>(k[2]));
    text += Format("\nrds.dat (%zu bytes, 1187.5 bit/s, most significant bit first)\n",
                   summary.nRdsBytes);
    if (o.fRdsDeviation <= 0.0) {
        text += "  No RDS on air: the receiver's noise bits only\n";
    }
    text += Format("  PI %04X, PS \"%s\", PTY %d, ECC %02X, language %d, TP %d, TA %d, %s\n", o.nPI,
                   CRDSCharacterSet::ToUtf8(o.strPS).c_str(), o.nPTY, o.nECC, o.nLanguage,
                   o.bTP ? 1 : 0, o.bTA ? 1 : 0, o.bMusic ? "music" : "speech");
    text += Format("  PTYN \"%s\"; AF %s\n", CRDSCharacterSet::ToUtf8(o.strPTYN).c_str(),
                   List(o.af).c_str());
    text += Format("  Radio text A: \"%s\"\n", CRDSCharacterSet::ToUtf8(o.strRadioText1).c_str());
    text += Format("  Radio text B: \"%s\"\n", CRDSCharacterSet::ToUtf8(o.strRadioText2).c_str());
    text += Format("  Clock: start %s UTC, local offset %+d half hours\n", o.strStart.c_str(),
                   o.nLocalOffset);
    text += Format("  EON: PI %04X, PS \"%s\", PTY %d, TP %d, TA %d, AF %s\n", o.nEonPI,
                   CRDSCharacterSet::ToUtf8(o.strEonPS).c_str(), o.nEonPTY, o.bEonTP ? 1 : 0,
                   o.bEonTA ? 1 : 0, List(o.eonAF).c_str());
    text += Format("  Received with bit error rate %g after %d noise bits\n", o.fBitErrorRate,
                   o.nNoiseBits);
    text += Format("\npanormama.dat (%zu readings, 87.5 to 108.0 MHz in 25 kHz steps)\n",
                   summary.nPanoramaReadings);
    text += Format("  Noise floor %.1f dBuV; stations (MHz dBuV):\n", o.fNoiseFloor);
    for (const CPanoramaStation& s : CPanoramaSynth::Stations(o)) {
        text += Format("    %6.2f %5.1f%s\n", s.fFrequency, s.fLevel,
                       s.fFrequency == o.fFrequency ? "  (this station)" : "");
    }
    if (!o.strIqDatatype.empty()) {
        text += Format("\nstation.sigmf-data (%s, %.0f samples/s, centre %.3f MHz)\n",
                       o.strIqDatatype.c_str(), o.fIqRate, summary.fIqCentre / 1e6);
        text +=
            Format("  FM with the MPX above, level above as amplitude, %.1f dBuV at full scale\n",
                   summary.fIqFullScale);
        text += o.fCarrierToNoise > 0.0 ? Format("  C/N %.1f dB in 200 kHz\n", o.fCarrierToNoise)
                                        : std::string("  No noise\n");
        if (o.fEchoDelay > 0.0) {
            text += Format("  Echo %.1f us later, %.1f dB\n", o.fEchoDelay * 1e6, o.fEchoLevel);
        }
    }
    return text;
}

}  // namespace tavik

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <sstream>

#include "rds/RDSCharacterSet.h"
#include "tools/CommandLineValues.h"
#include "tools/GenerateCommand.h"
#include "tools/LevelSynth.h"

// The options of `tavik generate`, each checked as it is read.
namespace tavik {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator) {
        parts.emplace_back();
    }
    return parts;
}

bool Flag(const std::string& text) {
    if (text != "0" && text != "1") {
        throw COptionValueError("\"" + text + "\" is neither 0 nor 1");
    }
    return text == "1";
}

// The next character of UTF-8 text; false at a byte that starts no valid sequence.
bool NextCharacter(const std::string& text, std::size_t& i, char32_t& character) {
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const int length = lead < 0x80           ? 1
                       : (lead >> 5) == 0x6  ? 2
                       : (lead >> 4) == 0xE  ? 3
                       : (lead >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
        return false;
    }
    character = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + static_cast<std::size_t>(k)) & 0xC0) != 0x80) {
            return false;
        }
        character = character << 6 | (byte(i + static_cast<std::size_t>(k)) & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    return true;
}

// UTF-8 text as bytes of the RDS basic code table: lengths count characters, and a character
// the table cannot carry (a control character, "~", "€") is refused by name.
std::string RdsText(const std::string& text, std::size_t maxLength) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        char32_t character = 0;
        if (!NextCharacter(text, i, character)) {
            throw COptionValueError("is not UTF-8 text");
        }
        if (character < 0x20 || character == 0x7F) {
            throw COptionValueError("control characters are not allowed");
        }
        int found = -1;
        for (int b = 0x20; b <= 0xFE && found < 0; ++b) {
            if (b != 0x7F &&
                CRDSCharacterSet::ToUnicode(static_cast<std::uint8_t>(b)) == character) {
                found = b;
            }
        }
        if (found < 0) {
            throw COptionValueError("the RDS character set has no \"" +
                                    text.substr(start, i - start) + "\"");
        }
        bytes += static_cast<char>(found);
    }
    if (bytes.size() > maxLength) {
        throw COptionValueError("longer than " + std::to_string(maxLength) + " characters");
    }
    return bytes;
}

// Method A lists carry at most 25 FM frequencies of 87.6 to 107.9 MHz.
std::vector<double> FrequencyList(const std::string& text) {
    std::vector<double> list;
    if (text.empty()) {
        return list;
    }
    for (const std::string& part : Split(text, ',')) {
        list.push_back(CheckedNumber(part, 87.6, 107.9));
    }
    if (list.size() > 25) {
        throw COptionValueError("more than 25 frequencies");
    }
    return list;
}

std::vector<CPanoramaStation> StationList(const std::string& text) {
    std::vector<CPanoramaStation> stations;
    if (text.empty()) {
        return stations;
    }
    for (const std::string& part : Split(text, ',')) {
        const auto colon = part.find(':');
        if (colon == std::string::npos) {
            throw COptionValueError("\"" + part + "\" is not MHz:dBuV");
        }
        stations.push_back({CheckedNumber(part.substr(0, colon), 87.5, 108.0),
                            CheckedNumber(part.substr(colon + 1), 22.5, 97.4)});
    }
    return stations;
}

std::array<double, 3> Coupling(const std::string& text) {
    const auto parts = Split(text, ',');
    if (parts.size() != 3) {
        throw COptionValueError("\"" + text + "\" is not three numbers c0,c1,c2");
    }
    std::array<double, 3> coupling{};
    for (std::size_t i = 0; i < 3; ++i) {
        coupling[i] = CheckedNumber(parts[i], -1.0, 1.0);
    }
    // The level carries this coupling on top of the receiver's own response; its amplitude
    // must stay positive over every deviation the analysis can meet.
    double lowest = 0.0;
    const double at = CLevelSynth::LowestPoint(CLevelSynth::TotalCoupling(coupling), lowest);
    if (lowest <= 0.0) {
        char where[64];
        std::snprintf(where, sizeof where, "%.1f kHz", at);
        throw COptionValueError("\"" + text +
                                "\" makes the amplitude a(f) fall to zero or below at " + where +
                                " (with the receiver's own response)");
    }
    return coupling;
}

// At most 7 further carriers, on the 25 kHz grid of the band.
std::vector<double> NeighbourList(const std::string& text) {
    std::vector<double> list;
    for (const std::string& part : Split(text, ',')) {
        list.push_back(GridFrequency(CheckedNumber(part, 87.5, 108.0), part));
    }
    if (list.empty() || list.size() > 7) {
        throw COptionValueError("give 1 to 7 frequencies");
    }
    return list;
}

// IQ rates that the receiver can bring to 400 kHz with a small resampling ratio.
double IqRate(const std::string& text) {
    const auto rate = CheckedInteger(text, 400000, 10000000);
    if (std::gcd(rate, std::int64_t{400000}) < 4000) {
        throw COptionValueError("\"" + text +
                                "\" cannot be resampled to 400000 Hz (use a rate such as "
                                "1200000, 2048000 or 2400000)");
    }
    return static_cast<double>(rate);
}

void Echo(const std::string& text, CGeneratorOptions& o) {
    const auto parts = Split(text, ',');
    if (parts.size() != 2) {
        throw COptionValueError("\"" + text + "\" is not DELAY_US,REL_DB");
    }
    o.fEchoDelay = CheckedNumber(parts[0], 0.1, 200.0) * 1e-6;
    o.fEchoLevel = CheckedNumber(parts[1], -40.0, 0.0);
}

// The option kinds of the generator, each added with its range check.
struct COptionAdder {
    CLI::App& c;

    void Number(const char* name, const char* unit, const char* help, double lo, double hi,
                double& target) const {
        AddNumberOption(c, name, unit, help, lo, hi, [&target](double v) { target = v; });
    }
    template <class T>
    void Whole(const char* name, const char* unit, const char* help, std::int64_t lo,
               std::int64_t hi, int base, T& target) const {
        AddIntegerOption(
            c, name, unit, help, lo, hi, [&target](std::int64_t v) { target = static_cast<T>(v); },
            base);
    }
    void OnOff(const char* name, const char* help, bool& target) const {
        AddTextOption(c, name, "0|1", help, [&target](const std::string& v) { target = Flag(v); });
    }
    void Text(const char* name, const char* help, std::size_t length, std::string& target) const {
        AddTextOption(c, name, "TEXT", help,
                      [&target, length](const std::string& v) { target = RdsText(v, length); });
    }
};

using S = const std::string&;

// The programme, its multiplex and the RF level of the recordings.
void AddSignalOptions(const COptionAdder& add, CGeneratorOptions& o) {
    add.Number("--seconds", "S", "length of the recordings (default 60)", 0.1, 3600.0, o.fSeconds);
    add.Whole("--seed", "N", "seed of every random choice (default 1)", 0, 0x7FFFFFFFFFFFFFFFll, 10,
              o.nSeed);
    add.Number("--peak-deviation", "KHZ", "peak deviation of the whole MPX (default 75)", 10.0,
               100.0, o.fPeakDeviation);
    add.Number("--mpx-power", "DBR", "MPX power the programme's gain control aims at (default 3)",
               -20.0, 12.0, o.fMpxPower);
    add.Number("--overshoot", "PERCENT", "how far occasional peaks pass the limiter (default 3)",
               0.0, 20.0, o.fOvershoot);
    add.c.add_flag("--mono", o.bMono, "mono programme: no pilot, no L-R");
    add.Number("--pilot", "KHZ", "pilot deviation (default 6.75)", 0.0, 10.0, o.fPilotDeviation);
    add.Number("--rds-deviation", "KHZ", "RDS subcarrier deviation, 0 for none (default 3)", 0.0,
               10.0, o.fRdsDeviation);
    add.Number("--tone", "HZ",
               "replace the programme by one tone of this frequency in both channels", 10.0,
               15000.0, o.fToneFrequency);
    add.Number("--tone-deviation", "KHZ", "peak deviation of that tone (default 50)", 0.0, 100.0,
               o.fToneDeviation);
    add.Number("--pilot-offset-hz", "HZ", "pilot frequency above 19 kHz (default 0)", -100.0, 100.0,
               o.fPilotOffset);
    add.Number("--left-db", "DB",
               "stereo test tone (--tone, default 1000 Hz): left peak in dB of full modulation "
               "(75 kHz), pre-emphasised",
               -100.0, 6.0, o.fLeftDb);
    add.Number("--right-db", "DB", "the same for the right channel", -100.0, 6.0, o.fRightDb);
    AddNumberOption(add.c, "--pre-emphasis-us", "US",
                    "pre-emphasis of the stereo test tone, 0 for none (default 50)", 0.0, 75.0,
                    [&o](double v) { o.fPreemphasis = v * 1e-6; });
    add.Number("--silence-from", "S", "the programme falls silent at this second (default 0)", 0.0,
               3600.0, o.fSilenceFrom);
    add.Number("--silence-for", "S", "for this many seconds (default 0: no silence)", 0.0, 3600.0,
               o.fSilenceFor);
    add.Number("--level", "DBUV", "mean RF level (default 65)", 22.5, 97.4, o.fLevel);
    add.Number("--fading", "DB", "peak of the slow fading (default 3)", 0.0, 20.0, o.fFading);
    add.Number("--level-noise", "DB", "rms noise of the RF level (default 0.2)", 0.0, 10.0,
               o.fLevelNoise);
    AddTextOption(add.c, "--multipath", "C0,C1,C2",
                  "coupling a(f) = c3 (1 + c2 f + c1 f^2 + c0 f^3), f in kHz, added to the "
                  "receiver's own response (default 1e-8,2e-6,2.5e-3)",
                  [&o](S v) { o.multipath = Coupling(v); });
    AddTextOption(add.c, "--frequency", "MHZ",
                  "the station's place in the band scan (default 106.7)",
                  [&o](S v) { o.fFrequency = GridFrequency(CheckedNumber(v, 87.5, 108.0), v); });
}

// The RDS content and its clock.
void AddRdsOptions(const COptionAdder& add, CGeneratorOptions& o) {
    add.Whole("--pi", "HEX", "programme identification (default D313)", 1, 0xFFFF, 16, o.nPI);
    add.Whole("--pty", "N", "programme type 0-31 (default 10)", 0, 31, 10, o.nPTY);
    add.Whole("--ecc", "HEX", "extended country code (default E0)", 0, 0xFF, 16, o.nECC);
    add.Whole("--language", "N", "language code of group 1A variant 3 (default 8)", 0, 127, 10,
              o.nLanguage);
    add.OnOff("--tp", "traffic programme (default 1)", o.bTP);
    add.OnOff("--ta", "traffic announcement (default 0)", o.bTA);
    add.OnOff("--music", "music (1) or speech (0) (default 1)", o.bMusic);
    add.Text("--ps", "programme service name, up to 8 characters", 8, o.strPS);
    add.Text("--ptyn", "programme type name, up to 8 characters", 8, o.strPTYN);
    add.Text("--rt1", "first radio text, up to 64 characters", 64, o.strRadioText1);
    add.Text("--rt2", "second radio text, up to 64 characters", 64, o.strRadioText2);
    AddTextOption(add.c, "--af", "MHZ,...",
                  "alternative frequencies (default 106.7,98.2,101.3,89.4,93.7)",
                  [&o](S v) { o.af = FrequencyList(v); });
    add.Whole("--eon-pi", "HEX", "PI of the other network (default D3A2)", 1, 0xFFFF, 16, o.nEonPI);
    add.Text("--eon-ps", "programme service name of the other network", 8, o.strEonPS);
    add.Whole("--eon-pty", "N", "programme type of the other network (default 3)", 0, 31, 10,
              o.nEonPTY);
    add.OnOff("--eon-tp", "traffic programme of the other network (default 1)", o.bEonTP);
    add.OnOff("--eon-ta", "traffic announcement of the other network (default 0)", o.bEonTA);
    AddTextOption(add.c, "--eon-af", "MHZ,...",
                  "frequencies of the other network (default 91.6,94.5)",
                  [&o](S v) { o.eonAF = FrequencyList(v); });
    AddTextOption(add.c, "--start", "UTC", "clock time of the first sample, YYYY-MM-DDTHH:MM:SS",
                  [&o](S v) {
                      o.nStartTime = CheckedUtcTime(v);
                      o.strStart = v;
                  });
    add.Whole("--local-offset", "HALFHOURS",
              "local time offset in half hours, -24 to 24 (default 4)", -24, 24, 10,
              o.nLocalOffset);
    add.Number("--rds-ber", "P", "share of inverted bits in rds.dat, 0 to 0.5 (default 0)", 0.0,
               0.5, o.fBitErrorRate);
    add.Whole("--rds-noise-bits", "N",
              "random bits before the first group (default 0, 32 with --iq)", 0, 1000000, 10,
              o.nNoiseBits);
}

// The IQ capture and the band scan.
void AddReceptionOptions(const COptionAdder& add, CGeneratorOptions& o) {
    AddTextOption(add.c, "--iq", "cu8|ci16|cf32",
                  "also write the station as FM-modulated IQ in SigMF (station.sigmf-meta, "
                  "station.sigmf-data)",
                  [&o](S v) {
                      if (v != "cu8" && v != "ci16" && v != "cf32") {
                          throw COptionValueError("\"" + v + "\" is none of cu8, ci16, cf32");
                      }
                      o.strIqDatatype = v == "cu8" ? v : v + "_le";
                  });
    AddTextOption(add.c, "--iq-rate", "HZ", "IQ samples per second (default 1200000)",
                  [&o](S v) { o.fIqRate = IqRate(v); });
    add.Number("--cn", "DB",
               "carrier-to-noise ratio of the IQ in the 200 kHz channel (default: no "
               "noise)",
               1.0, 100.0, o.fCarrierToNoise);
    AddTextOption(add.c, "--echo", "DELAY_US,REL_DB",
                  "a second ray DELAY_US later (up to 200) and REL_DB weaker (-40 to 0)",
                  [&o](S v) { Echo(v, o); });
    AddTextOption(add.c, "--neighbours", "MHZ,...",
                  "further carriers in the IQ, each the programme at half the deviation and "
                  "6 dB weaker",
                  [&o](S v) { o.neighbours = NeighbourList(v); });
    add.Number("--noise-floor", "DBUV", "band scan noise floor (default 28)", 22.5, 60.0,
               o.fNoiseFloor);
    AddTextOption(add.c, "--stations", "MHZ:DBUV,...", "the other stations of the band scan",
                  [&o](S v) { o.stations = StationList(v); });
}

}  // namespace

void CGenerateCommand::AddOptions(CLI::App& c, CGeneratorOptions& o) {
    const COptionAdder add{c};
    AddSignalOptions(add, o);
    AddRdsOptions(add, o);
    AddReceptionOptions(add, o);
}

}  // namespace tavik

#include "tools/OptionParser.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "tools/LevelSynth.h"

namespace tavik {

namespace {

using Setter = std::function<void(const std::string& value, CGeneratorOptions& options)>;

struct OptionSpec {
    const char* name;
    const char* argument;  // nullptr for a switch without value
    const char* help;
    Setter set;
};

[[noreturn]] void Fail(const std::string& option, const std::string& reason) {
    throw COptionError("generate: option " + option + ": " + reason);
}

double Number(const std::string& option, const std::string& text, double lo, double hi) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno != 0 || !std::isfinite(value)) {
        Fail(option, "\"" + text + "\" is not a number");
    }
    if (value < lo || value > hi) {
        std::ostringstream range;
        range << "\"" << text << "\" is outside " << lo << " to " << hi;
        Fail(option, range.str());
    }
    return value;
}

long long Integer(const std::string& option, const std::string& text, long long lo, long long hi,
                  int base = 10) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, base);
    if (text.empty() || end != text.c_str() + text.size() || errno != 0) {
        Fail(option, "\"" + text + "\" is not " + (base == 16 ? "a hexadecimal" : "an integer"));
    }
    if (value < lo || value > hi) {
        Fail(option,
             "\"" + text + "\" is outside " + std::to_string(lo) + " to " + std::to_string(hi));
    }
    return value;
}

bool Flag(const std::string& option, const std::string& text) {
    if (text != "0" && text != "1") {
        Fail(option, "\"" + text + "\" is neither 0 nor 1");
    }
    return text == "1";
}

// RDS characters: printable ASCII only (the basic character table agrees with it there).
std::string Text(const std::string& option, const std::string& text, std::size_t maxLength) {
    if (text.size() > maxLength) {
        Fail(option, "longer than " + std::to_string(maxLength) + " characters");
    }
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) {
            Fail(option, "only printable ASCII characters are allowed");
        }
    }
    return text;
}

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

// Method A lists carry at most 25 FM frequencies of 87.6 to 107.9 MHz.
std::vector<double> FrequencyList(const std::string& option, const std::string& text) {
    std::vector<double> list;
    if (text.empty()) {
        return list;
    }
    for (const std::string& part : Split(text, ',')) {
        list.push_back(Number(option, part, 87.6, 107.9));
    }
    if (list.size() > 25) {
        Fail(option, "more than 25 frequencies");
    }
    return list;
}

std::vector<CPanoramaStation> StationList(const std::string& option, const std::string& text) {
    std::vector<CPanoramaStation> stations;
    if (text.empty()) {
        return stations;
    }
    for (const std::string& part : Split(text, ',')) {
        const auto colon = part.find(':');
        if (colon == std::string::npos) {
            Fail(option, "\"" + part + "\" is not MHz:dBuV");
        }
        stations.push_back({Number(option, part.substr(0, colon), 87.5, 108.0),
                            Number(option, part.substr(colon + 1), 22.5, 97.4)});
    }
    return stations;
}

const std::vector<OptionSpec>& Specs() {
    using O = CGeneratorOptions;
    static const std::vector<OptionSpec> specs = {
        {"--seconds", "S", "length of the recordings (default 60)",
         [](const std::string& v, O& o) { o.fSeconds = Number("--seconds", v, 0.1, 3600.0); }},
        {"--seed", "N", "seed of every random choice (default 1)",
         [](const std::string& v, O& o) {
             o.nSeed = static_cast<std::uint64_t>(Integer("--seed", v, 0, 0x7FFFFFFFFFFFFFFFll));
         }},
        {"--peak-deviation", "KHZ", "peak deviation of the whole MPX (default 75)",
         [](const std::string& v, O& o) {
             o.fPeakDeviation = Number("--peak-deviation", v, 10.0, 100.0);
         }},
        {"--mpx-power", "DBR", "MPX power the programme's gain control aims at (default 3)",
         [](const std::string& v, O& o) { o.fMpxPower = Number("--mpx-power", v, -20.0, 12.0); }},
        {"--overshoot", "PERCENT", "how far occasional peaks pass the limiter (default 3)",
         [](const std::string& v, O& o) { o.fOvershoot = Number("--overshoot", v, 0.0, 20.0); }},
        {"--mono", nullptr, "mono programme: no pilot, no L-R",
         [](const std::string&, O& o) { o.bMono = true; }},
        {"--pilot", "KHZ", "pilot deviation (default 6.75)",
         [](const std::string& v, O& o) { o.fPilotDeviation = Number("--pilot", v, 0.0, 10.0); }},
        {"--rds-deviation", "KHZ", "RDS subcarrier deviation, 0 for none (default 3)",
         [](const std::string& v, O& o) {
             o.fRdsDeviation = Number("--rds-deviation", v, 0.0, 10.0);
         }},
        {"--tone", "HZ", "replace the programme by one tone of this frequency in both channels",
         [](const std::string& v, O& o) { o.fToneFrequency = Number("--tone", v, 10.0, 15000.0); }},
        {"--tone-deviation", "KHZ", "peak deviation of that tone (default 50)",
         [](const std::string& v, O& o) {
             o.fToneDeviation = Number("--tone-deviation", v, 0.0, 100.0);
         }},
        {"--level", "DBUV", "mean RF level (default 65)",
         [](const std::string& v, O& o) { o.fLevel = Number("--level", v, 22.5, 97.4); }},
        {"--fading", "DB", "peak of the slow fading (default 3)",
         [](const std::string& v, O& o) { o.fFading = Number("--fading", v, 0.0, 20.0); }},
        {"--level-noise", "DB", "rms noise of the RF level (default 0.2)",
         [](const std::string& v, O& o) { o.fLevelNoise = Number("--level-noise", v, 0.0, 10.0); }},
        {"--multipath", "C0,C1,C2",
         "coupling a(f) = c3 (1 + c2 f + c1 f^2 + c0 f^3), f in kHz, added to the receiver's own "
         "response (default 1e-8,2e-6,2.5e-3)",
         [](const std::string& v, O& o) {
             const auto parts = Split(v, ',');
             if (parts.size() != 3) {
                 Fail("--multipath", "\"" + v + "\" is not three numbers c0,c1,c2");
             }
             for (std::size_t i = 0; i < 3; ++i) {
                 o.multipath[i] = Number("--multipath", parts[i], -1.0, 1.0);
             }
             // The level carries this coupling on top of the receiver's own response; its
             // amplitude must stay positive over every deviation the analysis can meet.
             double lowest = 0.0;
             const double at =
                 CLevelSynth::LowestPoint(CLevelSynth::TotalCoupling(o.multipath), lowest);
             if (lowest <= 0.0) {
                 char where[64];
                 std::snprintf(where, sizeof where, "%.1f kHz", at);
                 Fail("--multipath", "\"" + v +
                                         "\" makes the amplitude a(f) fall to zero or below at " +
                                         where + " (with the receiver's own response)");
             }
         }},
        {"--frequency", "MHZ", "the station's place in the band scan (default 106.7)",
         [](const std::string& v, O& o) {
             // The receiver reads the scan at 25 kHz steps; off the grid it would read half
             // of one sample and half of the next.
             const double f = Number("--frequency", v, 87.5, 108.0);
             const double steps = (f - 87.5) / 0.025;
             if (std::fabs(steps - std::round(steps)) > 1e-6) {
                 Fail("--frequency", "\"" + v + "\" is not on the 25 kHz grid");
             }
             o.fFrequency = f;
         }},
        {"--pi", "HEX", "programme identification (default D313)",
         [](const std::string& v, O& o) {
             o.nPI = static_cast<std::uint16_t>(Integer("--pi", v, 1, 0xFFFF, 16));
         }},
        {"--pty", "N", "programme type 0-31 (default 10)",
         [](const std::string& v, O& o) { o.nPTY = static_cast<int>(Integer("--pty", v, 0, 31)); }},
        {"--ecc", "HEX", "extended country code (default E0)",
         [](const std::string& v, O& o) {
             o.nECC = static_cast<std::uint8_t>(Integer("--ecc", v, 0, 0xFF, 16));
         }},
        {"--language", "N", "language code of group 1A variant 3 (default 8)",
         [](const std::string& v, O& o) {
             o.nLanguage = static_cast<int>(Integer("--language", v, 0, 127));
         }},
        {"--tp", "0|1", "traffic programme (default 1)",
         [](const std::string& v, O& o) { o.bTP = Flag("--tp", v); }},
        {"--ta", "0|1", "traffic announcement (default 0)",
         [](const std::string& v, O& o) { o.bTA = Flag("--ta", v); }},
        {"--music", "0|1", "music (1) or speech (0) (default 1)",
         [](const std::string& v, O& o) { o.bMusic = Flag("--music", v); }},
        {"--ps", "TEXT", "programme service name, up to 8 characters",
         [](const std::string& v, O& o) { o.strPS = Text("--ps", v, 8); }},
        {"--ptyn", "TEXT", "programme type name, up to 8 characters",
         [](const std::string& v, O& o) { o.strPTYN = Text("--ptyn", v, 8); }},
        {"--rt1", "TEXT", "first radio text, up to 64 characters",
         [](const std::string& v, O& o) { o.strRadioText1 = Text("--rt1", v, 64); }},
        {"--rt2", "TEXT", "second radio text, up to 64 characters",
         [](const std::string& v, O& o) { o.strRadioText2 = Text("--rt2", v, 64); }},
        {"--af", "MHZ,...", "alternative frequencies (default 106.7,98.2,101.3,89.4,93.7)",
         [](const std::string& v, O& o) { o.af = FrequencyList("--af", v); }},
        {"--eon-pi", "HEX", "PI of the other network (default D3A2)",
         [](const std::string& v, O& o) {
             o.nEonPI = static_cast<std::uint16_t>(Integer("--eon-pi", v, 1, 0xFFFF, 16));
         }},
        {"--eon-ps", "TEXT", "programme service name of the other network",
         [](const std::string& v, O& o) { o.strEonPS = Text("--eon-ps", v, 8); }},
        {"--eon-pty", "N", "programme type of the other network (default 3)",
         [](const std::string& v, O& o) {
             o.nEonPTY = static_cast<int>(Integer("--eon-pty", v, 0, 31));
         }},
        {"--eon-tp", "0|1", "traffic programme of the other network (default 1)",
         [](const std::string& v, O& o) { o.bEonTP = Flag("--eon-tp", v); }},
        {"--eon-ta", "0|1", "traffic announcement of the other network (default 0)",
         [](const std::string& v, O& o) { o.bEonTA = Flag("--eon-ta", v); }},
        {"--eon-af", "MHZ,...", "frequencies of the other network (default 91.6,94.5)",
         [](const std::string& v, O& o) { o.eonAF = FrequencyList("--eon-af", v); }},
        {"--start", "UTC", "clock time of the first sample, YYYY-MM-DDTHH:MM:SS",
         [](const std::string& v, O& o) {
             o.nStartTime = CGeneratorOptionParser::ParseUtcTime(v);
             o.strStart = v;
         }},
        {"--local-offset", "HALFHOURS", "local time offset in half hours, -24 to 24 (default 4)",
         [](const std::string& v, O& o) {
             o.nLocalOffset = static_cast<int>(Integer("--local-offset", v, -24, 24));
         }},
        {"--rds-ber", "P", "share of inverted bits in rds.dat, 0 to 0.5 (default 0)",
         [](const std::string& v, O& o) { o.fBitErrorRate = Number("--rds-ber", v, 0.0, 0.5); }},
        {"--rds-noise-bits", "N", "random bits before the first group (default 0)",
         [](const std::string& v, O& o) {
             o.nNoiseBits = static_cast<int>(Integer("--rds-noise-bits", v, 0, 1000000));
         }},
        {"--noise-floor", "DBUV", "band scan noise floor (default 28)",
         [](const std::string& v, O& o) {
             o.fNoiseFloor = Number("--noise-floor", v, 22.5, 60.0);
         }},
        {"--stations", "MHZ:DBUV,...", "the other stations of the band scan",
         [](const std::string& v, O& o) { o.stations = StationList("--stations", v); }},
    };
    return specs;
}

}  // namespace

CGeneratorOptionParser::Result CGeneratorOptionParser::Parse(const std::vector<std::string>& args) {
    Result result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            result.bHelp = true;
            return result;
        }
        if (arg.rfind("--", 0) != 0) {
            if (!result.options.strOutputFolder.empty()) {
                throw COptionError("generate: more than one output folder (\"" +
                                   result.options.strOutputFolder + "\", \"" + arg + "\")");
            }
            result.options.strOutputFolder = arg;
            continue;
        }
        // "--name=value" and "--name value" are both accepted.
        std::string name = arg;
        std::string value;
        bool bInline = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            bInline = true;
        }
        const OptionSpec* entry = nullptr;
        for (const OptionSpec& candidate : Specs()) {
            if (name == candidate.name) {
                entry = &candidate;
            }
        }
        if (entry == nullptr) {
            throw COptionError("generate: unknown option " + name + " (see tavik generate --help)");
        }
        if (entry->argument == nullptr) {
            if (bInline) {
                Fail(name, "takes no value");
            }
        } else if (!bInline) {
            if (i + 1 >= args.size()) {
                Fail(name, std::string("needs a value ") + entry->argument);
            }
            value = args[++i];
        }
        entry->set(value, result.options);
    }
    if (result.options.strOutputFolder.empty()) {
        throw COptionError("generate: no output folder given (see tavik generate --help)");
    }
    return result;
}

std::string CGeneratorOptionParser::Usage() {
    std::ostringstream out;
    out << "Usage: tavik generate OUTDIR [options]\n"
           "Writes a synthetic FM station into OUTDIR: mpx.dat, lev.dat, rds.dat, panormama.dat\n"
           "and station.txt. The same options and seed always give the same files.\n\n";
    for (const OptionSpec& entry : Specs()) {
        std::string left = std::string("  ") + entry.name;
        if (entry.argument != nullptr) {
            left += std::string(" ") + entry.argument;
        }
        out << left;
        out << (left.size() < 28 ? std::string(28 - left.size(), ' ')
                                 : std::string("\n") + std::string(28, ' '))
            << entry.help << "\n";
    }
    out << "  --help                    this text\n";
    return out.str();
}

std::int64_t CGeneratorOptionParser::ParseUtcTime(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month,
                                         &day, &hour, &minute, &second, &tail) != 6) {
        Fail("--start", "\"" + text + "\" is not YYYY-MM-DDTHH:MM:SS");
    }
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool bLeap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1990 || year > 2099 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] || (month == 2 && day == 29 && !bLeap) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59) {
        Fail("--start", "\"" + text + "\" is not a valid time between 1990 and 2099");
    }
    // Days since 1970-01-01 of the civil date (H. Hinnant's days_from_civil).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

}  // namespace tavik

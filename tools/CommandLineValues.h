#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tavik {

// A value an option cannot take; the command line reports it as "--name: reason".
class COptionValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Options of the tavik commands whose values are checked as they are read. A setter may throw
// COptionValueError for checks of its own; every failure ends the parse with a message that
// names the option, e.g. "--seconds: \"x\" is not a whole number".
CLI::Option* AddNumberOption(CLI::App& app, const std::string& name, const std::string& valueName,
                             const std::string& help, double lo, double hi,
                             std::function<void(double)> set);
CLI::Option* AddIntegerOption(CLI::App& app, const std::string& name, const std::string& valueName,
                              const std::string& help, std::int64_t lo, std::int64_t hi,
                              std::function<void(std::int64_t)> set, int base = 10);
CLI::Option* AddTextOption(CLI::App& app, const std::string& name, const std::string& valueName,
                           const std::string& help, std::function<void(const std::string&)> set);

// The checks behind them, for values inside lists; they throw COptionValueError.
double CheckedNumber(const std::string& text, double lo, double hi);
std::int64_t CheckedInteger(const std::string& text, std::int64_t lo, std::int64_t hi,
                            int base = 10);
// A frequency in MHz on the band's 25 kHz grid (the receiver tunes and scans in its steps;
// off it, it would read half of one step and half of the next), returned unchanged.
double GridFrequency(double megahertz, const std::string& text);
// "YYYY-MM-DDTHH:MM:SS" (UTC) to seconds since 1970.
std::int64_t CheckedUtcTime(const std::string& text);

}  // namespace tavik

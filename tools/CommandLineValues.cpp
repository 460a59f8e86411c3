#include "tools/CommandLineValues.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/TextParse.h"

namespace tavik {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Hex(std::int64_t value) {
    char text[24];
    const auto [ptr, ec] = std::to_chars(text, text + sizeof text, value, 16);
    std::string out(text, ec == std::errc() ? ptr : text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Range(double lo, double hi) {
    return " is outside " + FormatNumber(lo, 9) + " to " + FormatNumber(hi, 9);
}

}  // namespace

double CheckedNumber(const std::string& text, double lo, double hi) {
    const std::optional<double> value = ParseNumber(text);
    if (!value) {
        throw COptionValueError(Quoted(text) + " is not a number");
    }
    if (*value < lo || *value > hi) {
        throw COptionValueError(Quoted(text) + Range(lo, hi));
    }
    return *value;
}

std::int64_t CheckedInteger(const std::string& text, std::int64_t lo, std::int64_t hi, int base) {
    const std::optional<std::int64_t> value = ParseInteger(text, base);
    if (!value) {
        throw COptionValueError(Quoted(text) + (base == 16 ? " is not a hexadecimal number"
                                                           : " is not a whole number"));
    }
    if (*value < lo || *value > hi) {
        throw COptionValueError(Quoted(text) + " is outside " +
                                (base == 16 ? Hex(lo) + " to " + Hex(hi)
                                            : std::to_string(lo) + " to " + std::to_string(hi)));
    }
    return *value;
}

double GridFrequency(double megahertz, const std::string& text) {
    const double steps = (megahertz - 87.5) / 0.025;
    if (std::fabs(steps - std::round(steps)) > 1e-6) {
        throw COptionValueError("\"" + text + "\" is not on the 25 kHz grid");
    }
    return megahertz;
}

std::int64_t CheckedUtcTime(const std::string& text) {
    const std::optional<std::int64_t> value = ParseUtcTime(text);
    if (!value) {
        throw COptionValueError(
            Quoted(text) +
            " is not a time YYYY-MM-DDTHH:MM:SS (UTC), with Z or with +HH:MM from UTC, "
            "between 1990 and 2099");
    }
    return *value;
}

CLI::Option* AddTextOption(CLI::App& app, const std::string& name, const std::string& valueName,
                           const std::string& help, std::function<void(const std::string&)> set) {
    const std::string flag = name.substr(0, name.find(','));
    CLI::Option* option = app.add_option_function<std::string>(
        name,
        [flag, set = std::move(set)](const std::string& text) {
            try {
                set(text);
            } catch (const COptionValueError& e) {
                throw CLI::ValidationError(flag, e.what());
            }
        },
        help);
    option->type_name(valueName);
    return option;
}

CLI::Option* AddNumberOption(CLI::App& app, const std::string& name, const std::string& valueName,
                             const std::string& help, double lo, double hi,
                             std::function<void(double)> set) {
    return AddTextOption(app, name, valueName, help,
                         [lo, hi, set = std::move(set)](const std::string& text) {
                             set(CheckedNumber(text, lo, hi));
                         });
}

CLI::Option* AddIntegerOption(CLI::App& app, const std::string& name, const std::string& valueName,
                              const std::string& help, std::int64_t lo, std::int64_t hi,
                              std::function<void(std::int64_t)> set, int base) {
    return AddTextOption(app, name, valueName, help,
                         [lo, hi, base, set = std::move(set)](const std::string& text) {
                             set(CheckedInteger(text, lo, hi, base));
                         });
}

}  // namespace tavik

#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/GeneratorOptions.h"

namespace tavik {

// A command line `tavik generate` cannot accept; the message names the option and the reason.
class COptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Turns the arguments after "generate" into options. `--help` sets bHelp and stops parsing.
class CGeneratorOptionParser {
public:
    struct Result {
        CGeneratorOptions options;
        bool bHelp = false;
    };

    static Result Parse(const std::vector<std::string>& args);  // throws COptionError
    static std::string Usage();

    // "YYYY-MM-DDTHH:MM:SS" (UTC) to seconds since 1970; throws COptionError.
    static std::int64_t ParseUtcTime(const std::string& text);
};

}  // namespace tavik

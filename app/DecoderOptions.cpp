#include "app/DecoderOptions.h"

#include <CLI/CLI.hpp>

#include "document/SetupRules.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

void Refuse(const std::string& reason) {
    if (!reason.empty()) {
        throw COptionValueError(reason);
    }
}

}  // namespace

void AddDecoderOptions(CLI::App& c, CDecoderOverrides& overrides) {
    // Wide bounds: the rules below refuse with the page's own texts.
    AddIntegerOption(c, "--deemphasis", "US",
                     "de-emphasis of the decoded programme: 50 or 75 us (default: the\n"
                     "setup's, else 50)",
                     INT32_MIN, INT32_MAX, [&overrides](std::int64_t v) {
                         Refuse(setup_rules::CheckDeemphasis(v));
                         overrides.deemphasis = static_cast<std::int32_t>(v);
                     });
    AddNumberOption(c, "--silence-db", "DB",
                    "silence below this level of M, in dB of full modulation, above -90 and\n"
                    "below 0 (default: the setup's, else -40)",
                    -1e9, 1e9, [&overrides](double v) {
                        Refuse(setup_rules::CheckSilenceDb(v));
                        overrides.silenceDb = static_cast<float>(v);
                    });
    AddIntegerOption(c, "--silence-seconds", "S",
                     "silence after this many seconds below it, 1 to 3600 (default: the\n"
                     "setup's, else 10)",
                     INT32_MIN, INT32_MAX, [&overrides](std::int64_t v) {
                         Refuse(setup_rules::CheckSilenceSeconds(v));
                         overrides.silenceSeconds = static_cast<std::int32_t>(v);
                     });
}

}  // namespace tavik

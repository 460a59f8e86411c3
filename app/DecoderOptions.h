#pragma once

#include "document/DecoderOverrides.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// Adds --deemphasis US, --silence-db DB and --silence-seconds S to `command`, filling
// `overrides`; a value out of range is refused with the parameter page's message.
void AddDecoderOptions(CLI::App& command, CDecoderOverrides& overrides);

}  // namespace tavik

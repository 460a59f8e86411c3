#pragma once

#include <cstdint>
#include <optional>

#include "document/ProtocolHeader.h"

namespace tavik {

// The stereo decoder's settings given on a command line (--deemphasis, --silence-db,
// --silence-seconds), each over the setup's value when given; checked when read.
struct CDecoderOverrides {
    std::optional<std::int32_t> deemphasis;  // us
    std::optional<float> silenceDb;
    std::optional<std::int32_t> silenceSeconds;

    // `header` with the given values in place of its own.
    CProtocolHeader AppliedTo(CProtocolHeader header) const {
        header.m_nDeemphasis = deemphasis.value_or(header.m_nDeemphasis);
        header.m_fSilenceDb = silenceDb.value_or(header.m_fSilenceDb);
        header.m_nSilenceSeconds = silenceSeconds.value_or(header.m_nSilenceSeconds);
        return header;
    }
};

}  // namespace tavik

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "analysis/MultipathResult.h"
#include "platform/MessageTarget.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/document/LogFileCheck.h"
#include "tests/support/TempFolder.h"
#include "tools/StationGenerator.h"

namespace tavik::test {

// A short recording with known content, made once per test program: a 1 kHz tone at 50 kHz
// deviation in both channels with the 6.75 kHz pilot and 3 kHz RDS (PI D313, PS "TAVIK FM"),
// at 106.7 MHz. Without level noise every block gives the same multipath fit, so that the
// monitor and the batch analysis agree on it.
class CKnownRecording {
public:
    static constexpr double kSeconds = 6.0;
    static constexpr const char* kStart = "2026-06-15T10:00:00";  // UTC, 12:00 in Berlin
    static constexpr std::int64_t kStartTime = 1781517600;

    static const CKnownRecording& Get();

    const std::string& Folder() const { return m_folder.Path(); }
    const CGenerationSummary& Summary() const { return m_summary; }

private:
    CKnownRecording();

    CTempFolder m_folder;
    CGenerationSummary m_summary;
};

// A multipath result as the analyser posts it: with an accepted fit (a slope) or only a status.
inline std::shared_ptr<CMultipathResult> Fit(int status, float multipath = 0.0f, float level = 0.0f,
                                             bool accepted = true) {
    auto fit = std::make_shared<CMultipathResult>();
    if (accepted) {
        fit->m_slope = {multipath};
    }
    fit->m_fMultipath = multipath;
    fit->m_fLevel = level;
    fit->m_nStatus = status;
    return fit;
}
inline std::shared_ptr<CMultipathResult> NoFit() {
    return Fit(CMultipathResult::STATUS_DEVIATION_TOO_LOW, 0.0f, 0.0f, false);
}

}  // namespace tavik::test

#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/ReceiverOptions.h"
#include "document/RecordingReader.h"

namespace tavik {

class CLiveIqSource;

// A source that cannot be used; the message says which and why.
class CSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The MPX blocks of one station from where the measuring commands take them: the recordings in
// a folder (CRecordingReader), an IQ capture (CIqFileSource) or a live receiver
// (CLiveIqSource), chosen by --receiver. Recordings and captures give their blocks as fast as
// they are asked for; a live receiver at its own pace.
class CProgrammeSource {
public:
    // Opens the source; `stationMhz` tunes a capture or a live receiver (default: the
    // capture's station, the live receiver at a new setup's frequency). `running` falling ends
    // a wait for a live receiver's block. Throws CSourceError.
    CProgrammeSource(const std::string& folder, const CReceiverChoice& receiver,
                     std::optional<double> stationMhz, const std::atomic<bool>& running);
    ~CProgrammeSource();
    CProgrammeSource(const CProgrammeSource&) = delete;
    CProgrammeSource& operator=(const CProgrammeSource&) = delete;

    // The next block of kBlockSamples MPX samples (ADC units); false after the last, or when
    // stopped. Throws CSourceError when the source fails.
    bool ReadBlock(float* mpx);

    static constexpr int kBlockSamples = CRecordingReader::kBlockSamples;

private:
    std::unique_ptr<CRecordingReader> m_pRecordings;
    std::unique_ptr<CIqFileSource> m_pIq;
    std::unique_ptr<CLiveIqSource> m_pLive;
    std::string m_strLiveName;
    std::unique_ptr<std::array<float, kBlockSamples>> m_pLevel;  // read and left unused
};

}  // namespace tavik

#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/IqFileSource.h"
#include "device/IqStream.h"
#include "platform/File.h"
#include "platform/Pacer.h"

namespace tavik {

// An IQ capture played as a live receiver plays: at its rate on `clock`, from its start again
// at its end. Lets several stations of one capture be monitored through the shared receiver.
// The tuning given to Open is the capture's own (CaptureSettings); another is not followed.
class CIqFileStream final : public CIqStream {
public:
    // Throws CIqSourceError when the capture cannot be read.
    CIqFileStream(const CIqSourceSettings& settings, const std::atomic<bool>& running,
                  CPacer& clock);

    // The capture's rate, centre and level calibration (its station left as the centre).
    static CFmReceiverSettings CaptureSettings(const CIqSourceSettings& settings);

    void Open(const CIqTuning& tuning) override;
    bool IsOpen() const override { return m_file.IsOpen(); }
    void Close() override { m_file.Close(); }
    void Retune(double) override {}
    int Read(std::complex<float>* iq, int count) override;
    bool TakeBreak() override { return std::exchange(m_bBreak, false); }
    std::string Name() const override { return "iq:" + m_strFile; }

private:
    std::string m_strFile;
    std::string m_strDataPath;
    CIqFormat m_format;
    double m_fRate;
    const std::atomic<bool>& m_running;
    CPacer& m_clock;
    CFile m_file;
    std::vector<std::uint8_t> m_raw;
    CPacer::Time m_start{0};
    std::int64_t m_nDelivered = 0;
    bool m_bWrapped = false;  // the next Read begins at the capture's start again
    bool m_bBreak = false;
};

}  // namespace tavik

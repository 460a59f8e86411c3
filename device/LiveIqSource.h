#pragma once

#include <atomic>
#include <complex>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/IqTap.h"
#include "device/ReceiverOutput.h"
#include "dsp/FmReceiver.h"

namespace tavik {

class CIqStream;
class IIqChannelSource;
class CPacer;

// A receiver that streams IQ as it happens: `rtltcp:HOST[:PORT]` or `soapy:ARGS`.
struct CLiveSourceSettings {
    std::string strName;              // "rtltcp:HOST[:PORT]" or "soapy:ARGS"
    double fRate = kDefaultRate;      // IQ samples per second
    std::optional<double> station;    // Hz; default: the tuner frequency set on the device
    std::optional<double> gain;       // dB; default: automatic
    std::optional<double> fullScale;  // dBuV at 0 dBFS; default: the receiver's kept one
    std::optional<double> ppm;        // frequency correction; default: the receiver's kept one
    // One station of several on one receiver: its channel, instead of tuning the receiver.
    std::shared_ptr<IIqChannelSource> channel;
    // Keep the calibration and correction for the receiver (a capture played as a receiver
    // keeps nothing).
    bool bKeep = true;

    static constexpr double kDefaultRate = 1200000.0;
    // The tuner sits this far below the station, away from the receiver's DC spike.
    static constexpr double kTuningOffset = 250000.0;

    // Settings for "rtltcp:..." or "soapy:..."; nullopt for a receiver of another kind.
    static std::optional<CLiveSourceSettings> FromName(const std::string& receiver);
};

// A live IQ stream through the FM receiver: tunes the device, then hands out the receiver's
// 20000-sample blocks (MPX in ADC units, RF level in dBuV) at the stream's own pace and the
// RDS bit stream in 100-byte chunks. Open and ReadBlock throw CIqStreamError when the device
// cannot be reached or its stream breaks; Open again reconnects and starts the receiver
// afresh. All waits end soon after `running` falls.
class CLiveIqSource {
public:
    static constexpr int kBlockSamples = CReceiverOutput::kBlockSamples;
    static constexpr int kRdsChunkBytes = CReceiverOutput::kRdsChunkBytes;

    // Throws CDspError (rate, station) or CIqStreamError (address). The stream is held to its
    // rate on `clock` (null: real time).
    CLiveIqSource(const CLiveSourceSettings& settings, double station, double fullScale,
                  const std::atomic<bool>& running, CPacer* clock = nullptr);
    ~CLiveIqSource();
    CLiveIqSource(const CLiveIqSource&) = delete;
    CLiveIqSource& operator=(const CLiveIqSource&) = delete;

    // Hands the IQ to `tap` too (set before the transfer thread starts).
    void SetIqTap(CIqTap* tap) { m_pIqTap = tap; }
    void Open();
    bool IsOpen() const;
    void Close();
    // The next block; false when stopped.
    bool ReadBlock(float* mpx, float* level, CReceivedFigures* received = nullptr);
    bool ReadRdsChunk(std::uint8_t* chunk);
    std::string Address() const;
    // Samples the device lost since the last call, and how often.
    std::pair<std::int64_t, std::int64_t> TakeDropped();
    // Why the stream does not keep its rate; empty while it does.
    std::string PaceFault() const;

private:
    CLiveSourceSettings m_settings;
    CFmReceiverSettings m_receiverSettings;
    std::unique_ptr<CIqStream> m_pStream;
    std::unique_ptr<CFmReceiver> m_pReceiver;
    int m_nChunkSamples;
    std::vector<std::complex<float>> m_iq;
    CReceiverOutput m_output;
    CIqTap* m_pIqTap = nullptr;
};

}  // namespace tavik

#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/ReceiverOutput.h"
#include "dsp/FmReceiver.h"
#include "dsp/IqFormat.h"
#include "platform/File.h"

namespace tavik {

// An IQ recording that cannot be received; the message names the file and the cause.
class CIqSourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the IQ comes from and how to receive it, from `--receiver iq:FILE` and its options.
struct CIqSourceSettings {
    // "FILE.sigmf-meta" (datatype, rate and centre from the metadata, the data in
    // "FILE.sigmf-data") or a raw "FILE.cu8", "FILE.cs16" or "FILE.cf32".
    std::string strFile;
    std::optional<double> rate;       // Hz; needed for a raw file, overrides the metadata
    std::optional<double> centre;     // Hz; needed for a raw file, overrides the metadata
    std::optional<double> station;    // Hz; default: the metadata's tavik:station_frequency,
                                      // else the centre
    std::optional<double> fullScale;  // dBuV at 0 dBFS; default: the metadata's, else
                                      // CFmReceiver::kDefaultFullScaleDbuv
};

// Where one station of several in a capture takes its IQ: its channel, cut out of the capture
// (CIqStations). Next is called on the station's own thread.
class IIqChannelFeed {
public:
    virtual ~IIqChannelFeed() = default;
    // The channel's rate and the frequency at its 0 Hz.
    virtual double ChannelRate() const = 0;
    virtual double ChannelCentre() const = 0;
    // Up to `max` samples of the channel into `iq`; 0 at the capture's end (or a stop).
    virtual int Next(std::complex<float>* iq, int max) = 0;
};

// `iq:FILE` as the receiver: reads the IQ from start to end through the FM receiver and hands
// out the receiver's blocks, 20000 MPX samples (ADC units) with their RF levels (dBuV) per
// 100 ms of IQ and the RDS bit stream in 100-byte chunks, most significant bit first. Opening
// checks everything that can be checked before the first sample: a bad file is an error that
// says what is wrong, never a silent stream of zeros.
class CIqFileSource {
public:
    static constexpr int kBlockSamples = CReceiverOutput::kBlockSamples;
    static constexpr int kRdsChunkBytes = CReceiverOutput::kRdsChunkBytes;
    static constexpr int kSettleSamples = CReceiverOutput::kSettleSamples;

    // Throws CIqSourceError.
    explicit CIqFileSource(const CIqSourceSettings& settings);
    // One station of several: the capture's metadata and length as above, the IQ from its
    // channel. Rewind and ReadIq are not available.
    CIqFileSource(const CIqSourceSettings& settings, IIqChannelFeed& feed);
    ~CIqFileSource();
    CIqFileSource(const CIqFileSource&) = delete;
    CIqFileSource& operator=(const CIqFileSource&) = delete;

    // "iq:FILE" to the file; nullopt for a receiver of another kind.
    static std::optional<std::string> FileOfReceiver(const std::string& receiver);
    // The station (Hz) the settings receive: the one given, else the one the metadata names,
    // else the capture's centre; nullopt when the capture cannot be received (opening it
    // says why).
    static std::optional<double> StationOf(const CIqSourceSettings& settings);

    // Whole blocks the file holds (the receiver's start-up is not counted as one).
    std::int64_t GetBlockCount() const { return m_nBlocks; }
    // Asked between the pieces of IQ that make a block: once it returns true, ReadBlock ends
    // without a block. A block can take seconds of IQ (the receiver holds the first second
    // back), which a stop does not wait for.
    void SetStopRequest(std::function<bool()> requested) { m_stopRequested = std::move(requested); }
    // The next block; false after the last, or when a stop was requested. Throws CIqSourceError
    // on a read error.
    bool ReadBlock(float* mpx, float* level, CReceivedFigures* received = nullptr);
    // The next RDS chunk once the blocks read so far carried its 800 bits.
    bool ReadRdsChunk(std::uint8_t* chunk);
    // Back to the start, with the receiver started afresh.
    void Rewind();

    // `count` (<= 100 ms) raw IQ samples from where the file stands, from its start again at
    // its end, bypassing the receiver: for the panorama's channel powers.
    void ReadIq(std::complex<float>* iq, int count);

    const CFmReceiverSettings& ReceiverSettings() const { return m_receiverSettings; }
    // The capture's data file and sample format.
    const std::string& DataPath() const { return m_strDataPath; }
    CIqFormat Format() const { return m_format; }

private:
    // With a feed: one station of several.
    CIqFileSource(const CIqSourceSettings& settings, IIqChannelFeed* feed);
    void ReadMetadata(const std::string& path);
    bool ReceiveMore();  // one more piece of IQ through the receiver; false at the end

    std::string m_strDataPath;
    CIqFormat m_format = CIqFormat::Cu8;
    CFmReceiverSettings m_receiverSettings;
    std::optional<double> m_fMetadataStation;  // Hz, the station the metadata names
    std::unique_ptr<CFmReceiver> m_pReceiver;
    CFile m_file;
    std::int64_t m_nBlocks = 0;
    std::int64_t m_nBlocksRead = 0;
    int m_nChunkSamples = 0;  // IQ samples per read
    std::vector<std::uint8_t> m_raw;
    std::vector<std::complex<float>> m_iq;
    CReceiverOutput m_output;
    std::function<bool()> m_stopRequested;
    IIqChannelFeed* m_pFeed = nullptr;
};

}  // namespace tavik

#pragma once

#include <atomic>
#include <complex>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace tavik {

// A live receiver could not be reached or its stream broke; the message says why.
class CIqStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CIqTuning {
    double fCentre = 0.0;        // Hz
    double fRate = 1200000.0;    // IQ samples per second
    std::optional<double> gain;  // dB; automatic without
    std::optional<double> ppm;   // frequency correction; the device's own without
};

// IQ as a receiver delivers it while it happens. Every wait is bounded and ends soon after the
// `running` flag given at construction falls.
class CIqStream {
public:
    virtual ~CIqStream() = default;
    // Connects and tunes; returns not open when stopped first. Throws CIqStreamError.
    virtual void Open(const CIqTuning& tuning) = 0;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;
    // Tunes the open stream to another centre; samples of the old one may still follow for a
    // while (the receiver's buffers). Throws CIqStreamError.
    virtual void Retune(double centre) = 0;
    // Up to `count` samples as they come; 0 only when stopped. Throws CIqStreamError when the
    // stream breaks or stalls.
    virtual int Read(std::complex<float>* iq, int count) = 0;
    // Whether the samples of the last Read begin after a break in the signal (a capture that
    // starts again): the receiver starts afresh there. Asked once after each Read.
    virtual bool TakeBreak() { return false; }
    // For a channel of a shared receiver: the receiver's samples since the last call, and those
    // at the converter's limits (the channel's own are filtered, never at the limits); nullopt
    // for a receiver's own stream.
    struct SConverterCounts {
        std::int64_t nSamples = 0;
        std::int64_t nAtLimit = 0;
    };
    virtual std::optional<SConverterCounts> TakeConverterCounts() { return std::nullopt; }
    // The receiver as the log names it.
    virtual std::string Name() const = 0;
    // Samples the receiver lost (overflows) since the last call, and how often.
    struct SDropped {
        std::int64_t nSamples = 0;
        std::int64_t nEvents = 0;
    };
    virtual SDropped TakeDropped() { return {}; }
    // Why the samples do not come at the rate the stream was opened at (a server that plays a
    // file faster, a device at another rate); empty while they do.
    virtual std::string PaceFault() const { return {}; }
};

// A station's channel of a receiver that several stations share (CSharedIqStream): its own
// stream at the channel's rate, its 0 Hz at ChannelCentre. The stream's Open takes the
// receiver's tuning as it was set for all; the tuning passed is not used.
class IIqChannelSource {
public:
    virtual ~IIqChannelSource() = default;
    virtual double ChannelRate() const = 0;
    virtual double ChannelCentre() const = 0;
    // Whether the station's band is being received (a receiver that takes the stations' bands
    // in turn measures the others meanwhile).
    virtual bool InView() const { return true; }
    // The station's stream; its waits end soon after `running` falls.
    virtual std::unique_ptr<CIqStream> MakeStream(const std::atomic<bool>& running) = 0;
};

class CPacer;

// The stream of "rtltcp:HOST[:PORT]" or "soapy:ARGS", held to its rate on `clock` (null: real
// time). Throws CIqStreamError for an address that cannot be meant (no host, a bad port);
// nothing here waits on the device.
std::unique_ptr<CIqStream> MakeIqStream(const std::string& receiver,
                                        const std::atomic<bool>& running, CPacer* clock = nullptr);

}  // namespace tavik

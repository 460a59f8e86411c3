#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "device/IqStream.h"

namespace tavik {

// The connection failed or the peer is not a working rtl_tcp server; the message says which.
class CRtlTcpError : public CIqStreamError {
public:
    using CIqStreamError::CIqStreamError;
};

// A client of the rtl_tcp protocol: the server greets with 12 bytes ("RTL0", the tuner type
// and the number of gain steps, big-endian), takes 5-byte commands (the command byte and a
// big-endian 32-bit parameter) and streams unsigned 8-bit interleaved IQ. Every wait is
// bounded, so a dead or silent peer never holds the calling thread, and ends early once
// `running` falls.
class CRtlTcpClient {
public:
    enum ECommand : std::uint8_t {
        CMD_FREQUENCY = 0x01,    // Hz
        CMD_SAMPLE_RATE = 0x02,  // samples per second
        CMD_GAIN_MODE = 0x03,    // 0 automatic, 1 manual
        CMD_GAIN = 0x04,         // tenths of a dB
        CMD_PPM = 0x05,          // frequency correction, whole ppm as a signed number
        CMD_AGC = 0x08,          // the RTL2832's own gain control on (1) or off (0)
    };
    static constexpr std::uint16_t kDefaultPort = 1234;
    static constexpr auto kConnectTimeout = std::chrono::seconds(5);
    // No sample for this long counts as a stalled server.
    static constexpr auto kStallTimeout = std::chrono::seconds(3);

    // "HOST" or "HOST:PORT" (IPv4 or a name); throws CRtlTcpError for a bad port.
    CRtlTcpClient(const std::string& address, const std::atomic<bool>& running);
    ~CRtlTcpClient();
    CRtlTcpClient(const CRtlTcpClient&) = delete;
    CRtlTcpClient& operator=(const CRtlTcpClient&) = delete;

    // Connects and reads the greeting. Throws CRtlTcpError.
    void Connect();
    void Disconnect();
    bool IsConnected() const { return m_nSocket >= 0; }
    void SendCommand(ECommand command, std::uint32_t parameter);
    // Reads up to `size` IQ bytes; 0 only when stopped. Throws CRtlTcpError when the peer
    // closes, fails or sends nothing for kStallTimeout.
    std::size_t Read(std::uint8_t* buffer, std::size_t size);

    const std::string& Host() const { return m_strHost; }
    std::uint16_t Port() const { return m_nPort; }
    std::string Address() const;  // "host:port"
    std::uint32_t TunerType() const { return m_nTunerType; }
    std::uint32_t GainCount() const { return m_nGainCount; }

private:
    // Waits until the socket is ready for `events`; false when stopped; throws `timeout` as
    // CRtlTcpError once `limit` passed.
    bool WaitFor(short events, std::chrono::milliseconds limit, const std::string& timeout);
    void ReadExactly(std::uint8_t* buffer, std::size_t size, std::chrono::milliseconds limit);

    std::string m_strHost;
    std::uint16_t m_nPort = kDefaultPort;
    const std::atomic<bool>& m_bRunning;
    int m_nSocket = -1;
    std::uint32_t m_nTunerType = 0;
    std::uint32_t m_nGainCount = 0;
};

}  // namespace tavik

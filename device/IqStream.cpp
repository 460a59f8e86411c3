#include "device/IqStream.h"

#include <cmath>
#include <vector>

#include "device/IqRateWatch.h"
#include "device/RtlTcpClient.h"
#include "device/SoapyStream.h"
#include "dsp/IqFormat.h"

namespace tavik {

namespace {

// rtl_tcp's unsigned 8-bit IQ as samples; a byte that arrives without its pair waits.
class CRtlTcpStream final : public CIqStream {
public:
    CRtlTcpStream(const std::string& address, const std::atomic<bool>& running)
        : m_client(address, running) {}

    void Open(const CIqTuning& tuning) override {
        m_client.Connect();
        if (!m_client.IsConnected()) {
            return;  // stopped
        }
        using C = CRtlTcpClient;
        m_client.SendCommand(C::CMD_SAMPLE_RATE, static_cast<std::uint32_t>(tuning.fRate));
        if (tuning.ppm) {
            // Whole ppm, two's complement.
            m_client.SendCommand(
                C::CMD_PPM,
                static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(*tuning.ppm))));
        }
        m_client.SendCommand(C::CMD_FREQUENCY,
                             static_cast<std::uint32_t>(std::llround(tuning.fCentre)));
        if (tuning.gain) {
            m_client.SendCommand(C::CMD_GAIN_MODE, 1);
            m_client.SendCommand(C::CMD_GAIN,
                                 static_cast<std::uint32_t>(std::lround(*tuning.gain * 10.0)));
        } else {
            m_client.SendCommand(C::CMD_GAIN_MODE, 0);
        }
        m_client.SendCommand(C::CMD_AGC, 0);
        m_nHeld = 0;
    }
    bool IsOpen() const override { return m_client.IsConnected(); }
    void Close() override { m_client.Disconnect(); }
    void Retune(double centre) override {
        m_client.SendCommand(CRtlTcpClient::CMD_FREQUENCY,
                             static_cast<std::uint32_t>(std::llround(centre)));
    }

    int Read(std::complex<float>* iq, int count) override {
        m_raw.resize(2 * static_cast<std::size_t>(count));
        std::size_t bytes = m_nHeld;
        while (bytes < 2) {  // 0 samples would read as stopped
            const std::size_t got = m_client.Read(m_raw.data() + bytes, m_raw.size() - bytes);
            if (got == 0) {
                m_nHeld = bytes;
                return 0;
            }
            bytes += got;
        }
        const auto samples = static_cast<int>(bytes / 2);
        ConvertIq(CIqFormat::Cu8, m_raw.data(), static_cast<std::size_t>(samples), iq);
        m_nHeld = bytes % 2;
        if (m_nHeld != 0) {
            m_raw[0] = m_raw[bytes - 1];
        }
        return samples;
    }
    std::string Name() const override { return m_client.Address(); }

private:
    CRtlTcpClient m_client;
    std::vector<std::uint8_t> m_raw;  // sized once, by the first Read
    std::size_t m_nHeld = 0;
};

}  // namespace

std::unique_ptr<CIqStream> MakeIqStream(const std::string& receiver,
                                        const std::atomic<bool>& running, CPacer* clock) {
    if (receiver.rfind("rtltcp:", 0) == 0) {
        return std::make_unique<CIqRateWatch>(
            std::make_unique<CRtlTcpStream>(receiver.substr(7), running), clock);
    }
    if (receiver.rfind("soapy:", 0) == 0) {
        return std::make_unique<CIqRateWatch>(
            std::make_unique<CSoapyStream>(receiver.substr(6), running), clock);
    }
    throw CIqStreamError("\"" + receiver + "\" is neither rtltcp:HOST[:PORT] nor soapy:ARGS");
}

}  // namespace tavik

#pragma once

#include <atomic>
#include <complex>
#include <string>
#include <vector>

#include "device/IqStream.h"

namespace SoapySDR {
class Device;
class Stream;
}  // namespace SoapySDR

namespace tavik {

// Any local receiver that SoapySDR knows ("soapy:driver=rtlsdr", "soapy:driver=airspy,
// serial=..."): float IQ from its first channel. Overflows are counted, and the samples they
// lost too where the driver stamps its buffers with time. The stream is read a whole MTU at a
// time (some modules hand out nothing to a smaller read) and handed out in the pieces asked
// for. Whatever fails, opening or reading, releases the device too, so that the next Open finds
// it afresh: one unplugged and plugged in again is a new device to SoapySDR.
class CSoapyStream final : public CIqStream {
public:
    static constexpr double kStallSeconds = 3.0;

    CSoapyStream(std::string args, const std::atomic<bool>& running);
    ~CSoapyStream() override;

    void Open(const CIqTuning& tuning) override;
    bool IsOpen() const override { return m_pStream != nullptr; }
    void Close() override;
    void Retune(double centre) override;
    int Read(std::complex<float>* iq, int count) override;
    std::string Name() const override { return "soapy:" + m_strArgs; }
    SDropped TakeDropped() override;

private:
    void Release();  // the stream and the device, never throwing

    const std::string m_strArgs;
    const std::atomic<bool>& m_bRunning;
    SoapySDR::Device* m_pDevice = nullptr;
    SoapySDR::Stream* m_pStream = nullptr;
    double m_fRate = 0.0;
    long long m_nNextTime = -1;  // ns the next sample is due at; -1 unknown
    SDropped m_dropped;
    std::vector<std::complex<float>> m_buffer;  // one MTU, sized by Open
    std::size_t m_nBuffered = 0;                // samples of the last read
    std::size_t m_nTaken = 0;                   // of them handed out
};

}  // namespace tavik

#pragma once

#include <atomic>
#include <string>

#include "device/IqStream.h"

namespace SoapySDR {
class Device;
class Stream;
}  // namespace SoapySDR

namespace tavik {

// Any local receiver that SoapySDR knows ("soapy:driver=rtlsdr", "soapy:driver=airspy,
// serial=..."): float IQ from its first channel. Overflows are counted, and the samples they
// lost too where the driver stamps its buffers with time.
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
    const std::string m_strArgs;
    const std::atomic<bool>& m_bRunning;
    SoapySDR::Device* m_pDevice = nullptr;
    SoapySDR::Stream* m_pStream = nullptr;
    double m_fRate = 0.0;
    long long m_nNextTime = -1;  // ns the next sample is due at; -1 unknown
    SDropped m_dropped;
};

}  // namespace tavik

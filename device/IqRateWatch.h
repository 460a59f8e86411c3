#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "device/IqStream.h"
#include "platform/Pacer.h"

namespace tavik {

// Holds a live stream to the rate it was opened at: fewer than half of the samples the rate
// promises over kWindow is a stall, also when bytes keep trickling in so that no single read
// waits long enough to time out. The window starts when the stream opens; the reads of the
// consumer are what is counted, so it must keep reading (the transfer and the panorama do).
class CIqRateWatch final : public CIqStream {
public:
    static constexpr auto kWindow = std::chrono::seconds(3);

    // `clock` (its Now) times the windows; null: real time.
    explicit CIqRateWatch(std::unique_ptr<CIqStream> stream, CPacer* clock = nullptr);

    void Open(const CIqTuning& tuning) override;
    bool IsOpen() const override { return m_pStream->IsOpen(); }
    void Close() override { m_pStream->Close(); }
    void Retune(double centre) override { m_pStream->Retune(centre); }
    // Throws CIqStreamError when a window ends short of half its samples.
    int Read(std::complex<float>* iq, int count) override;
    std::string Name() const override { return m_pStream->Name(); }
    SDropped TakeDropped() override { return m_pStream->TakeDropped(); }

private:
    std::unique_ptr<CIqStream> m_pStream;
    CRealTimePacer m_realTime;
    CPacer* m_pClock;
    double m_fRate = 0.0;
    CPacer::Time m_windowStart{0};
    double m_fSamples = 0.0;  // read in the current window
};

}  // namespace tavik

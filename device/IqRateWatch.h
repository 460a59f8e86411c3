#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "device/IqStream.h"
#include "platform/Pacer.h"

namespace tavik {

// Holds a live stream to the rate it was opened at, counting the samples the consumer reads
// against the clock (so it must keep reading, as the transfer and the panorama do):
// - fewer than half of the samples the rate promises over kWindow (from the opening) is a
//   stall, also when bytes keep trickling in so that no single read waits long enough to time
//   out: the stream is closed and the read throws;
// - more than twice them over kWindow, or more than kPaceTolerance off the rate either way in
//   two kPaceWindow windows in a row (a server that plays a file faster, a device at another
//   rate), is a pace fault (PaceFault), which a window within kPaceTolerance clears. Windows
//   of 10 s, and two of them, let delays on the way of up to 200 ms pass: one window can be
//   off by 1 % through them, the next then the other way. The windows start with the first
//   read, whose samples came before it; samples the device reports lost count as delivered.
class CIqRateWatch final : public CIqStream {
public:
    static constexpr auto kWindow = std::chrono::seconds(3);
    static constexpr auto kPaceWindow = std::chrono::seconds(10);
    static constexpr double kPaceTolerance = 0.01;

    // `clock` (its Now) times the windows; null: real time.
    explicit CIqRateWatch(std::unique_ptr<CIqStream> stream, CPacer* clock = nullptr);

    void Open(const CIqTuning& tuning) override;
    bool IsOpen() const override { return m_pStream->IsOpen(); }
    void Close() override { m_pStream->Close(); }
    void Retune(double centre) override { m_pStream->Retune(centre); }
    // Throws CIqStreamError when a window ends short of half its samples.
    int Read(std::complex<float>* iq, int count) override;
    std::string Name() const override { return m_pStream->Name(); }
    SDropped TakeDropped() override;
    std::string PaceFault() const override { return m_strPaceFault; }

private:
    void CheckStall(CPacer::Time now);
    void CheckPace(CPacer::Time now);
    // The fault text for `samples` over `seconds`.
    std::string DescribePace(double samples, double seconds) const;

    std::unique_ptr<CIqStream> m_pStream;
    CRealTimePacer m_realTime;
    CPacer* m_pClock;
    double m_fRate = 0.0;
    CPacer::Time m_windowStart{0};
    double m_fSamples = 0.0;  // read in the current window
    bool m_bPaceStarted = false;
    CPacer::Time m_paceStart{0};
    double m_fPaceSamples = 0.0;  // in the current pace window
    double m_fOffSamples = 0.0;   // in the last pace window, and its length
    double m_fOffSeconds = 0.0;
    int m_nOffDirection = 0;  // of the last: +1 faster, -1 slower, 0 within the tolerance
    std::string m_strPaceFault;
};

}  // namespace tavik

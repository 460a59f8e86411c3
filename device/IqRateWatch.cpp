#include "device/IqRateWatch.h"

#include <cmath>
#include <cstdio>

namespace tavik {

CIqRateWatch::CIqRateWatch(std::unique_ptr<CIqStream> stream, CPacer* clock)
    : m_pStream(std::move(stream)), m_pClock(clock != nullptr ? clock : &m_realTime) {}

void CIqRateWatch::Open(const CIqTuning& tuning) {
    m_pStream->Open(tuning);
    m_fRate = tuning.fRate;
    m_windowStart = m_pClock->Now();
    m_fSamples = 0.0;
    m_bPaceStarted = false;
    m_fPaceSamples = 0.0;
    m_nOffDirection = 0;
    m_strPaceFault.clear();
}

int CIqRateWatch::Read(std::complex<float>* iq, int count) {
    const int got = m_pStream->Read(iq, count);
    if (got == 0) {
        return 0;  // stopped
    }
    m_fSamples += got;
    const CPacer::Time now = m_pClock->Now();
    if (m_bPaceStarted) {
        m_fPaceSamples += got;
    } else {
        m_bPaceStarted = true;
        m_paceStart = now;
    }
    CheckStall(now);
    CheckPace(now);
    return got;
}

CIqStream::SDropped CIqRateWatch::TakeDropped() {
    const SDropped dropped = m_pStream->TakeDropped();
    if (m_bPaceStarted) {
        m_fPaceSamples += static_cast<double>(dropped.nSamples);
    }
    return dropped;
}

void CIqRateWatch::CheckStall(CPacer::Time now) {
    if (now - m_windowStart < kWindow) {
        return;
    }
    const std::chrono::duration<double> window = now - m_windowStart;
    const double promised = m_fRate * window.count();
    if (m_fSamples < 0.5 * promised) {
        m_pStream->Close();
        throw CIqStreamError(Name() + " delivers fewer than half of the " +
                             std::to_string(std::llround(m_fRate)) + " samples a second asked for");
    }
    if (m_fSamples > 2.0 * promised) {
        m_strPaceFault = DescribePace(m_fSamples, window.count());
    }
    m_windowStart = now;
    m_fSamples = 0.0;
}

void CIqRateWatch::CheckPace(CPacer::Time now) {
    if (now - m_paceStart < kPaceWindow) {
        return;
    }
    const double seconds = std::chrono::duration<double>(now - m_paceStart).count();
    const double ratio = m_fPaceSamples / (m_fRate * seconds);
    const int direction = ratio > 1.0 + kPaceTolerance ? 1 : ratio < 1.0 - kPaceTolerance ? -1 : 0;
    if (direction == 0) {
        m_strPaceFault.clear();
    } else if (direction == m_nOffDirection) {
        m_strPaceFault = DescribePace(m_fOffSamples + m_fPaceSamples, m_fOffSeconds + seconds);
    }
    m_nOffDirection = direction;
    m_fOffSamples = m_fPaceSamples;
    m_fOffSeconds = seconds;
    m_paceStart = now;
    m_fPaceSamples = 0.0;
}

std::string CIqRateWatch::DescribePace(double samples, double seconds) const {
    const double ratio = samples / (m_fRate * seconds);
    char text[160];
    std::snprintf(
        text, sizeof text, " delivers %.1f %% %s samples than the %lld a second asked for",
        std::fabs(ratio - 1.0) * 100.0, ratio > 1.0 ? "more" : "fewer", std::llround(m_fRate));
    return Name() + text;
}

}  // namespace tavik

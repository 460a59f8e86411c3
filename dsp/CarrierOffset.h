#pragma once

namespace tavik {

// The carrier's offset from the frequency the receiver is tuned to, from the discriminator's
// mean: the broadcast multiplex has no DC, so whatever mean the demodulated MPX has over a
// second is the carrier's offset (a tuner's error of 20 to 100 ppm is 2 to 10 kHz at 100 MHz).
// The first kSecond samples give the first estimate (locked); each later second moves it a
// quarter of the way to that second's mean, so that a bass note's share of one second (at most
// a fraction of a kHz) hardly moves it while a tuner's drift is followed within seconds.
class CCarrierOffset {
public:
    static constexpr long kSecond = 200000;  // MPX samples
    static constexpr double kFollow = 0.25;

    void Reset() { *this = CCarrierOffset(); }
    // Demodulated MPX as it comes, before the estimate is taken off.
    void Add(const float* mpx, int count);
    // Locks on what was added so far (at the end of a short recording); nothing to do when
    // locked or empty.
    void Lock();
    bool Locked() const { return m_bLocked; }
    // In the MPX's units; 0 before the lock.
    double Estimate() const { return m_fEstimate; }
    // The tuning moved by `units`: the means to come are that much lower.
    void Shift(double units);

private:
    double m_fEstimate = 0.0;
    double m_fSum = 0.0;
    long m_nCount = 0;
    bool m_bLocked = false;
};

}  // namespace tavik

#pragma once

#include <complex>

namespace tavik {

// What a live receiver's IQ is: enough to receive it again from a file.
struct CIqCapture {
    double fRate = 0.0;           // samples per second
    double fCentre = 0.0;         // Hz at the IQ's 0 Hz
    double fStation = 0.0;        // Hz, the station received
    double fFullScaleDbuv = 0.0;  // the RF level of a carrier at 0 dBFS
};

// Receives a live receiver's IQ as it streams in, on the transfer thread; the samples are the
// stream's buffer, so a tap copies what it keeps before it returns.
class CIqTap {
public:
    virtual ~CIqTap() = default;
    // The stream (re)starts with these settings; the IQ that follows is theirs.
    virtual void OnIqStart(const CIqCapture& capture) = 0;
    virtual void OnIq(const std::complex<float>* iq, int count) = 0;
};

}  // namespace tavik

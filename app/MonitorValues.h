#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "analysis/MultipathResult.h"
#include "platform/DropCounters.h"
#include "platform/MessageTarget.h"
#include "platform/SampleBlock.h"
#include "rds/RDSSnapshot.h"

namespace tavik {

// The newest value of each quantity the status line and the JSON lines show, taken from the
// analysers' result messages on the main thread; nothing until the first result of its kind
// arrived.
struct CMonitorValues {
    std::optional<float> deviation;     // kHz, DeviationPeak
    std::optional<float> maxDeviation;  // kHz, DeviationMax
    std::optional<float> secondPeak;    // kHz, largest DeviationPeak of this second
    std::optional<float> exceed75;      // % of half-block peaks >= 75 kHz, DeviationAccumulated
    std::optional<float> power1s;       // dBr, Power1s
    std::optional<float> power60s;      // dBr, newest of PowerHistory
    std::shared_ptr<const CMultipathResult> multipath;  // Multipath
    std::shared_ptr<const CRDSSnapshot> rds;            // RdsData and RdsQuality
    std::optional<CReception> reception;                // Reception, a software receiver's
    std::optional<CMpxReadings> mpxReadings;            // MpxReadings, pilot, RDS and audio
    // While a live receiver's stream is broken: why (its notice); cleared when it is back.
    std::optional<std::string> receiverLost;
    // With a receiver shared by several stations: whether this station's band is received.
    std::optional<bool> inView;
    CDropCounts drops;                // since the start, set every second
    std::uint64_t nDeviceErrors = 0;  // failures the device's and analysis threads posted
    std::uint64_t nResults = 0;       // analyser results taken since the start
    // Deviation peaks (DeviationPeak, one per 100 ms block) taken since the start, and those at
    // or above 75 kHz: counters a scraper that sees one second in five still reads whole.
    std::uint64_t nDeviationBlocks = 0;
    std::uint64_t nDeviationBlocksOver75 = 0;

    // Takes what a result message carries and counts thread failures (WM_TRANSFER_ERROR,
    // WM_ANALYSER_ERROR); other messages and codes are left alone. Without a receiver or a carrier,
    // the deviation, power and multipath values are forgotten and none are taken until the signal
    // is back: noise's would pass for measured.
    void Take(const CMessage& message);
    // A receiver delivers and a carrier is there (always with the recordings).
    bool HasSignal() const { return !receiverLost && (!reception || reception->bSignal); }
    // The ITU-R measurement conditions as the status line and the JSON lines say them:
    // "NO-SIGNAL", "STOP" when the multipath analysis says so, "LOW-CN" (the carrier-to-noise
    // ratio below its minimum), else the multipath analysis's "OK" or "LOW-DEV"; "-" before
    // anything is known.
    std::string Conditions() const;
    // A software receiver's figures as the outputs show them: none with the recordings or
    // while its stream is broken, the frequency error only with a carrier.
    struct SShownReception {
        std::optional<float> carrierToNoise;  // dB
        std::optional<float> frequencyError;  // Hz
        std::optional<float> frequencyErrorPpm;
        std::optional<float> overload;  // %
    };
    std::optional<SShownReception> ShownReception() const;
    // A new second begins: its peak starts empty.
    void StartSecond() { secondPeak.reset(); }
    // After a stop: the analysers were cleared, so their values no longer stand.
    void Clear() { *this = CMonitorValues(); }
};

}  // namespace tavik

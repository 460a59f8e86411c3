#pragma once

#include <optional>

namespace tavik {

// The readings every MPX meter shows, one set per second of signal. Audio levels are peaks in dB
// relative to full modulation: 0 dB is the peak of a mono programme (L = R) that deviates the
// carrier by 75 kHz, i.e. a channel amplitude of 75 kHz of deviation (23684 ADC units). M is
// (L + R) / 2 and S is (L - R) / 2 on the same scale, so a 0 dB mono programme reads 0 dB in L,
// R and M.
struct CMpxReadings {
    static constexpr float kFloorDb = -90.0f;  // a level at or below it reads as this

    std::optional<float> pilotKhz;      // peak deviation of the 19 kHz pilot; none: no pilot
    std::optional<float> pilotErrorHz;  // pilot frequency above 19000 Hz
    std::optional<float> rdsKhz;        // peak deviation of the 57 kHz subcarrier; none: no RDS
    // Peaks of this second, de-emphasised and low-passed at 15 kHz, dB of full modulation.
    float leftDb = kFloorDb;
    float rightDb = kFloorDb;
    float monoDb = kFloorDb;    // M = (L + R) / 2
    float stereoDb = kFloorDb;  // S = (L - R) / 2
    // The same held since the readings were last cleared.
    float leftHoldDb = kFloorDb;
    float rightHoldDb = kFloorDb;
    float monoHoldDb = kFloorDb;
    float stereoHoldDb = kFloorDb;
    float balanceDb = 0.0f;  // leftDb - rightDb
    bool silence = false;    // M stayed below the silence threshold for the set time
    int quietSeconds = 0;    // seconds in a row M stayed below the threshold
};

}  // namespace tavik

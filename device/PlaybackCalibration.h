#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace tavik {

// The multipath calibration block that the recorded-data source holds at EEPROM address 26:
// the replayed receiver's own amplitude response as IEEE bit patterns of k0, k1, k2 (the
// normalised cubic, square and linear terms that the multipath analysis takes off its fit) and
// k3 (the amplitude it was measured at, not used). The demo generator builds the same response
// into the recorded level, so that the calibration subtracts exactly what the receiver adds.
inline constexpr std::array<std::uint32_t, 4> kPlaybackCalibration = {0x345B3D65, 0xB80732E3,
                                                                      0xBAC0CAE1, 0x430B8ED9};

constexpr std::array<float, 4> PlaybackCalibrationValues() {
    return {std::bit_cast<float>(kPlaybackCalibration[0]),
            std::bit_cast<float>(kPlaybackCalibration[1]),
            std::bit_cast<float>(kPlaybackCalibration[2]),
            std::bit_cast<float>(kPlaybackCalibration[3])};
}

}  // namespace tavik

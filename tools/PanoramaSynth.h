#pragma once

#include <cstdint>
#include <vector>

#include "tools/GeneratorOptions.h"

namespace tavik {

// The band scan: one level reading per 25 kHz from 87.5 to 108.0 MHz (821 readings), in ADC
// units. A noise floor, and every station seen through the tuner's selectivity: its level
// falls by 12 dB at 100 kHz off its frequency, quadratically in dB. Each reading is the
// strongest of floor and stations, so a station's own frequency reads its level exactly.
class CPanoramaSynth {
public:
    static constexpr double kFirst = 87.5;  // MHz
    static constexpr double kStep = 0.025;  // MHz
    static constexpr int kReadings = 821;   // 87.5 ... 108.0 MHz

    static std::vector<std::int16_t> Build(const CGeneratorOptions& options);
    // All stations of the scan, the generated one included.
    static std::vector<CPanoramaStation> Stations(const CGeneratorOptions& options);
};

}  // namespace tavik

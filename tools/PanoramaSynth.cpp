#include "tools/PanoramaSynth.h"

#include <algorithm>
#include <cmath>

#include "tools/LevelSynth.h"
#include "tools/Random.h"

namespace tavik {

namespace {

constexpr double kSelectivity = 12.0;  // dB at 100 kHz off the station
constexpr double kFloorNoise = 1.5;    // dB rms of the noise floor
constexpr std::uint64_t kPanoramaStream = 0x50414E4F52414D41ull;

}  // namespace

std::vector<CPanoramaStation> CPanoramaSynth::Stations(const CGeneratorOptions& options) {
    std::vector<CPanoramaStation> stations = options.stations;
    stations.push_back({options.fFrequency, options.fLevel});
    std::sort(stations.begin(), stations.end(),
              [](const auto& a, const auto& b) { return a.fFrequency < b.fFrequency; });
    return stations;
}

std::vector<std::int16_t> CPanoramaSynth::Build(const CGeneratorOptions& options) {
    const std::vector<CPanoramaStation> stations = Stations(options);
    CRandom random(options.nSeed ^ kPanoramaStream);
    std::vector<std::int16_t> readings(kReadings);
    for (int i = 0; i < kReadings; ++i) {
        // Stations sit on the 25 kHz grid: offsets are whole steps.
        double level = options.fNoiseFloor + kFloorNoise * random.Gaussian();
        for (const CPanoramaStation& station : stations) {
            const long steps = i - std::lround((station.fFrequency - kFirst) / kStep);
            const double offset = static_cast<double>(steps) * 0.25;  // in 100 kHz
            level = std::max(level, station.fLevel - kSelectivity * offset * offset);
        }
        readings[static_cast<std::size_t>(i)] = CLevelSynth::LevelToAdc(level);
    }
    return readings;
}

}  // namespace tavik

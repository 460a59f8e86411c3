#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "tools/GeneratorOptions.h"

namespace tavik {

// A recording could not be written; the message names the file and the cause.
class CGeneratorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What was generated, as station.txt reports it.
struct CGenerationSummary {
    std::int64_t nSamples = 0;    // per channel
    double fPeakDeviation = 0.0;  // kHz
    double fMpxPower = 0.0;       // dBr over the whole recording
    double fMeanLevel = 0.0;      // dBuV
    std::size_t nRdsBytes = 0;
    std::size_t nPanoramaReadings = 0;
    double fIqCentre = 0.0;     // Hz, the IQ's centre frequency (with IQ only)
    double fIqFullScale = 0.0;  // dBuV of a carrier at full scale
};

// Writes "mpx.dat", "lev.dat", "rds.dat", "panormama.dat" and "station.txt" into the output
// folder (created when missing). MPX and level are written block by block (100 ms), so memory
// stays small whatever the length. Each file is written as "<name>.part" and renamed when all
// are complete, station.txt last: its presence marks a complete set.
class CStationGenerator {
public:
    static constexpr int kBlockSamples = 20000;  // the receiver's block, 100 ms
    static constexpr int kRdsBlockBytes = 100;   // the receiver's RDS block

    explicit CStationGenerator(const CGeneratorOptions& options) : m_options(options) {}

    CGenerationSummary Run();  // throws CGeneratorError

    // The text of station.txt.
    std::string Describe(const CGenerationSummary& summary) const;

private:
    const CGeneratorOptions& m_options;
};

}  // namespace tavik

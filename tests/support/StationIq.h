#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/TempFolder.h"
#include "tools/StationGenerator.h"

namespace tavik::test {

// The default generated station as rtl_sdr writes IQ (cu8 at 1.2 MS/s), C/N 40 dB: the bytes
// of its station.sigmf-data.
inline std::vector<std::uint8_t> StationIq(double seconds) {
    const CTempFolder folder;
    CGeneratorOptions options;
    options.strOutputFolder = folder.Path();
    options.fSeconds = seconds;
    options.strIqDatatype = "cu8";
    options.fIqRate = 1200000.0;
    options.fCarrierToNoise = 40.0;
    CStationGenerator(options).Run();
    std::ifstream in(folder.File("station.sigmf-data"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tavik::test

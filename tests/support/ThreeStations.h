#pragma once

#include <string>

#include "tests/support/TempFolder.h"
#include "tools/StationGenerator.h"

namespace tavik::test {

// One capture of three stations, made once per test program: 98.5 MHz with neighbours at 98.1
// and 99.0 (half the deviation, 6 dB weaker), 4 s of 2.4 MS/s cu8 at C/N 40, centred on
// 98.25 MHz, as an RTL-SDR records a piece of the band.
class CThreeStations {
public:
    static const CThreeStations& Get() {
        static const CThreeStations capture;
        return capture;
    }
    std::string Meta() const { return m_folder.File("station.sigmf-meta"); }
    std::string Data() const { return m_folder.File("station.sigmf-data"); }

private:
    CThreeStations() {
        CGeneratorOptions options;
        options.strOutputFolder = m_folder.Path();
        options.fSeconds = 4.0;
        options.fFrequency = 98.5;
        options.strIqDatatype = "cu8";
        options.fIqRate = 2400000.0;
        options.fCarrierToNoise = 40.0;
        options.neighbours = {98.1, 99.0};
        CStationGenerator(options).Run();
    }
    CTempFolder m_folder;
};

}  // namespace tavik::test

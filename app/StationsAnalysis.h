#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "document/BatchAnalysis.h"

namespace tavik {

// `analyse --receiver iq:FILE --station A --station B ...`: every listed station of one
// capture analysed at once, each a whole instrument of its own (document, analysers, alarms,
// results and day files in OUT/<frequency>/), on its own thread, all fed from one read of the
// capture through one channeliser (CIqStations).
class CStationsAnalysis {
public:
    // Why the stations cannot be analysed together ("" when they can): two equal, two closer
    // than 100 kHz.
    static std::string CheckStations(const std::vector<double>& megahertz);
    static constexpr std::size_t kMaxStations = 8;
    // "98.1,98.5,99.0": 2 to kMaxStations frequencies of the band, on its 25 kHz grid, that can
    // be measured together. Throws COptionValueError.
    static std::vector<double> ParseList(const std::string& text);
    // The station folder's name: the frequency in MHz with three decimals ("98.100").
    static std::string FolderName(double megahertz);

    // Runs them; prints one summary per station (JSON: {"stations": [...]}, each with its
    // "frequency_mhz"). Returns the exit code as analyse does.
    static int Run(const CBatchOptions& options, const std::vector<double>& megahertz, bool json,
                   std::ostream& out, std::ostream& err);
};

}  // namespace tavik

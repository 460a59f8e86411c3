#include "tools/GenerateCommand.h"

#include "tools/OptionParser.h"
#include "tools/StationGenerator.h"

namespace tavik {

int RunGenerateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CGeneratorOptionParser::Result parsed;
    try {
        parsed = CGeneratorOptionParser::Parse(args);
    } catch (const COptionError& e) {
        err << e.what() << "\n";
        return 2;
    }
    if (parsed.bHelp) {
        out << CGeneratorOptionParser::Usage();
        return 0;
    }
    try {
        CStationGenerator generator(parsed.options);
        const CGenerationSummary summary = generator.Run();
        out << "Generated " << summary.nSamples / 200000.0 << " s into "
            << parsed.options.strOutputFolder << " (peak " << summary.fPeakDeviation
            << " kHz, MPX power " << summary.fMpxPower << " dBr)\n";
    } catch (const CGeneratorError& e) {
        err << "generate: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tavik

#include "tools/GenerateCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>

#include "platform/TextParse.h"
#include "tools/StationGenerator.h"

namespace tavik {

CGenerateCommand::CGenerateCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand("generate", "write synthetic demo recordings")) {
    m_pCommand->footer(
        "Writes a synthetic FM station into OUTDIR: mpx.dat, lev.dat, rds.dat, panormama.dat\n"
        "and station.txt. The same options and seed always give the same files.");
    m_pCommand->add_option("OUTDIR", m_options.strOutputFolder, "the folder to write into")
        ->required()
        ->type_name("");
    AddOptions(*m_pCommand, m_options);
    m_pCommand->parse_complete_callback([this] {
        if (!m_options.strIqDatatype.empty() && m_pCommand->count("--rds-noise-bits") == 0) {
            m_options.nNoiseBits = CGeneratorOptions::kIqNoiseBits;
        }
    });
    m_pCommand->add_flag("--force", m_bForce, "replace the recordings that OUTDIR holds");
}

int CGenerateCommand::Run(std::ostream& out, std::ostream& err) const {
    // Recordings are measurements: a folder of them is replaced only when asked to.
    if (!m_bForce) {
        for (const char* name : {"mpx.dat", "lev.dat", "rds.dat", "panormama.dat"}) {
            std::error_code ec;
            const std::filesystem::path file =
                std::filesystem::path(m_options.strOutputFolder) / name;
            if (std::filesystem::is_regular_file(file, ec)) {
                err << "generate: \"" << m_options.strOutputFolder
                    << "\" already holds recordings (" << name << "); --force replaces them\n";
                return 1;
            }
        }
    }
    try {
        CStationGenerator generator(m_options);
        const CGenerationSummary summary = generator.Run();
        out << "Generated " << FormatNumber(summary.nSamples / 200000.0, 1) << " s into "
            << m_options.strOutputFolder << " (peak " << FormatNumber(summary.fPeakDeviation, 2)
            << " kHz, MPX power " << FormatNumber(summary.fMpxPower, 2) << " dBr)\n";
    } catch (const CGeneratorError& e) {
        err << "generate: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tavik

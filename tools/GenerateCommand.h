#pragma once

#include <ostream>

#include "tools/GeneratorOptions.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// `tavik generate OUTDIR [options]`: writes a synthetic station's recordings into OUTDIR.
class CGenerateCommand {
public:
    // Adds the subcommand "generate" with its options to `parent`.
    explicit CGenerateCommand(CLI::App& parent);
    CGenerateCommand(const CGenerateCommand&) = delete;
    CGenerateCommand& operator=(const CGenerateCommand&) = delete;

    CLI::App& Command() { return *m_pCommand; }
    const CGeneratorOptions& Options() const { return m_options; }
    // After a successful parse. Returns the exit code: 0 done, 1 a file could not be written
    // or OUTDIR holds recordings already and --force was not given.
    int Run(std::ostream& out, std::ostream& err) const;

private:
    static void AddOptions(CLI::App& command, CGeneratorOptions& options);

    CLI::App* m_pCommand;
    CGeneratorOptions m_options;
    bool m_bForce = false;  // replace recordings that OUTDIR holds
};

}  // namespace tavik

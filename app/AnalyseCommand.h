#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "app/ReceiverOptions.h"
#include "document/BatchAnalysis.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// `tavik analyse [DIR] [--out DIR] [--setup FILE.tvk] [--enable-alarms]
// [--start YYYY-MM-DDTHH:MM:SS] [--json] [--json-lines]`: the deterministic batch analysis of
// the recordings in DIR (default: the working directory).
class CAnalyseCommand {
public:
    // Adds the subcommand "analyse" with its options to `parent`.
    explicit CAnalyseCommand(CLI::App& parent);
    CAnalyseCommand(const CAnalyseCommand&) = delete;
    CAnalyseCommand& operator=(const CAnalyseCommand&) = delete;

    CLI::App& Command() { return *m_pCommand; }
    // Without --start the start stays unset and Run puts now there.
    const CBatchOptions& Options() const { return m_options; }
    bool IsStartGiven() const { return m_bStartGiven; }
    bool IsJson() const { return m_bJson; }
    bool IsJsonLines() const { return m_bJsonLines; }

    // After a successful parse. Returns the exit code: 0 done, 1 the analysis failed or lost
    // results, 130 interrupted by a signal. The progress bar goes to `err` when `progressBar`
    // is set (stderr is a terminal).
    int Run(std::ostream& out, std::ostream& err, bool progressBar) const;

private:
    int RunStations(CBatchOptions options, std::ostream& out, std::ostream& err) const;

    CLI::App* m_pCommand;
    CBatchOptions m_options;
    CReceiverChoice m_receiver;
    std::optional<double> m_frequency;  // MHz
    std::vector<double> m_stations;     // MHz, with --stations
    bool m_bStartGiven = false;
    bool m_bJson = false;
    bool m_bJsonLines = false;
};

}  // namespace tavik

#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/ReceiverOptions.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

class CPrompt;

// What `tavik scan` was told; frequencies in MHz, the step in kHz (the parameter page's
// defaults: the whole band in 100 kHz steps).
struct CScanOptions {
    std::string strDataFolder;  // where "panormama.dat" is; empty: the working directory
    double fFrom = 87.5;
    double fTo = 108.0;
    int nStepKHz = 100;
    bool bJson = false;
    double fSpeed = 1.0;  // pace of the readings, multiples of the receiver's (testing)
    CReceiverChoice receiver;
};

// `tavik scan [DIR] [--from MHZ --to MHZ --step KHZ] [--json] [--receiver RECEIVER]`: the
// panorama scan of the parameter page without a display; prints frequency and level per point,
// as CSV or JSON. An IQ capture is scanned over the channels it holds unless told otherwise.
class CScanCommand {
public:
    // Adds the subcommand "scan" with its options to `parent`.
    explicit CScanCommand(CLI::App& parent);
    CScanCommand(const CScanCommand&) = delete;
    CScanCommand& operator=(const CScanCommand&) = delete;

    CLI::App& Command() { return *m_pCommand; }
    const CScanOptions& Options() const { return m_options; }
    // After a successful parse. Returns the exit code: 0 done, 1 the range was refused or the
    // scan failed, 130 stopped by a signal (the points so far are printed).
    int Run(std::ostream& out, std::ostream& err) const;

    // The number of points the parameter page scans: (to - from) / step rounded, plus one.
    static int PointCount(double from, double to, double stepMHz);

private:
    std::optional<CScanOptions> Range(CPrompt& prompt) const;

    CLI::App* m_pCommand;
    CScanOptions m_options;
};

}  // namespace tavik

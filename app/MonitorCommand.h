#pragma once

#include <ostream>

#include "app/MonitorOptions.h"

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// `tavik monitor [DIR] [options]`: measures the recordings in DIR (default: the working
// directory) until --seconds pass or SIGINT/SIGTERM arrives.
class CMonitorCommand {
public:
    // Adds the subcommand "monitor" with its options to `parent`.
    explicit CMonitorCommand(CLI::App& parent);
    CMonitorCommand(const CMonitorCommand&) = delete;
    CMonitorCommand& operator=(const CMonitorCommand&) = delete;

    CLI::App& Command() { return *m_pCommand; }
    const CMonitorOptions& Options() const { return m_options; }
    // After a successful parse. Returns the exit code: 0 stopped normally, 1 the setup, the
    // log folder or the device failed or results were lost.
    int Run(std::ostream& out, std::ostream& err) const;

private:
    CLI::App* m_pCommand;
    CMonitorOptions m_options;
};

}  // namespace tavik

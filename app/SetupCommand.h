#pragma once

#include <ostream>
#include <string>

namespace CLI {
class App;
}  // namespace CLI

namespace tavik {

// `tavik setup show FILE.tvk` prints a document file's setup as JSON; `tavik setup write
// FILE.tvk SETUP.json` checks a JSON setup with the rules of the alarm form and the parameter
// page and saves it as a document file (replacing the file whole or not at all).
class CSetupCommand {
public:
    // Adds the subcommand "setup" with "show" and "write" to `parent`.
    explicit CSetupCommand(CLI::App& parent);
    CSetupCommand(const CSetupCommand&) = delete;
    CSetupCommand& operator=(const CSetupCommand&) = delete;

    CLI::App& Command() { return *m_pCommand; }
    // After a successful parse. Returns the exit code: 0 done, 1 a file could not be read or
    // written or the setup was refused.
    int Run(std::ostream& out, std::ostream& err) const;

    static int Show(const std::string& setupFile, std::ostream& out, std::ostream& err);
    // `json` "-" reads standard input.
    static int Write(const std::string& setupFile, const std::string& json, std::ostream& err);

private:
    CLI::App* m_pCommand;
    CLI::App* m_pShow;
    CLI::App* m_pWrite;
    std::string m_strSetupFile;
    std::string m_strJsonFile;
};

}  // namespace tavik

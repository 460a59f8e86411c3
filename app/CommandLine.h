#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace CLI {
class App;
class ParseError;
}  // namespace CLI

namespace tavik {

class CGenerateCommand;
class CMonitorCommand;
class CAnalyseCommand;
class CSetupCommand;
class CScanCommand;
class CListenCommand;

// The subcommands of the tavik executable (generate, monitor, analyse, listen, setup, scan, help)
// with
// --help and --version. Errors name the subcommand they came from ("monitor: --seconds: ...").
class CCommandLine {
public:
    CCommandLine();
    ~CCommandLine();
    CCommandLine(const CCommandLine&) = delete;
    CCommandLine& operator=(const CCommandLine&) = delete;

    // Whether the arguments (without the program's name) start with a subcommand, --help or
    // --version; anything else is for the graphical application.
    bool IsCommand(const std::vector<std::string>& args) const;
    // Parses and runs the subcommand. Returns its exit code; 0 after help or the version, 2 for
    // a command line that cannot be used. `terminal`: stderr is a terminal (progress bars).
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            bool terminal);
    // Parses only: "" or the error as Run prints it (for tests).
    std::string Parse(const std::vector<std::string>& args);
    // The overview that `tavik --help` prints.
    std::string Usage() const;
    // For a command line that the window does not take either: when it starts with a word that
    // is no command (nor a document file), "tavik: unknown command "WORD"", with "; did you
    // mean "COMMAND"?" when one is close; else "".
    std::string UnknownCommand(const std::vector<std::string>& args) const;

    // The parser, for a command defined outside the core libraries (the daily report needs Qt)
    // to add its subcommand; AddCommand then has it run when parsed.
    CLI::App& Parser() { return *m_pApp; }
    void AddCommand(CLI::App& command, std::function<int(std::ostream&, std::ostream&)> run);

    const CGenerateCommand& Generate() const { return *m_pGenerate; }
    const CMonitorCommand& Monitor() const { return *m_pMonitor; }
    const CAnalyseCommand& Analyse() const { return *m_pAnalyse; }
    const CScanCommand& Scan() const { return *m_pScan; }
    const CListenCommand& Listen() const { return *m_pListen; }

private:
    // "monitor", "setup write": the subcommands the parse reached.
    std::string SelectedName() const;
    // The message of a command line that cannot be used, named after its subcommand: an unknown
    // option or command with the nearest name when one is close, else CLI11's text.
    std::string Refusal(const CLI::ParseError& error) const;

    std::unique_ptr<CLI::App> m_pApp;
    CLI::App* m_pHelp = nullptr;
    std::string m_strHelpTopic;
    std::unique_ptr<CGenerateCommand> m_pGenerate;
    std::unique_ptr<CMonitorCommand> m_pMonitor;
    std::unique_ptr<CAnalyseCommand> m_pAnalyse;
    std::unique_ptr<CSetupCommand> m_pSetup;
    std::unique_ptr<CScanCommand> m_pScan;
    std::unique_ptr<CListenCommand> m_pListen;
    std::vector<std::pair<CLI::App*, std::function<int(std::ostream&, std::ostream&)>>> m_added;
};

}  // namespace tavik

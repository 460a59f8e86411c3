#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "app/AnalyseCommand.h"
#include "app/MonitorCommand.h"
#include "app/ScanCommand.h"
#include "app/SetupCommand.h"
#include "tools/GenerateCommand.h"

namespace tavik {

CCommandLine::CCommandLine()
    : m_pApp(std::make_unique<CLI::App>(
          "Tavik measures one FM transmitter from its recordings. Without a command (or with\n"
          "FILE.tvk or --start [FILE.tvk]) it starts the graphical application.",
          "tavik")) {
    CLI::App& app = *m_pApp;
    app.set_version_flag("--version", std::string("tavik ") + TAVIK_VERSION,
                         "print the version and exit");
    app.set_help_flag("-h,--help", "print this help and exit");
    app.get_formatter()->column_width(30);
    app.require_subcommand(0, 1);
    m_pGenerate = std::make_unique<CGenerateCommand>(app);
    m_pMonitor = std::make_unique<CMonitorCommand>(app);
    m_pAnalyse = std::make_unique<CAnalyseCommand>(app);
    m_pSetup = std::make_unique<CSetupCommand>(app);
    m_pScan = std::make_unique<CScanCommand>(app);
    m_pHelp = app.add_subcommand("help", "print this help, or that of COMMAND, and exit");
    m_pHelp->add_option("COMMAND", m_strHelpTopic, "a command")->type_name("");
}

CCommandLine::~CCommandLine() = default;

void CCommandLine::AddCommand(CLI::App& command,
                              std::function<int(std::ostream&, std::ostream&)> run) {
    m_added.emplace_back(&command, std::move(run));
}

bool CCommandLine::IsCommand(const std::vector<std::string>& args) const {
    if (args.empty()) {
        return false;
    }
    const std::string& first = args.front();
    if (first == "-h" || first == "--help" || first == "--version") {
        return true;
    }
    const auto commands = m_pApp->get_subcommands([](const CLI::App*) { return true; });
    return std::any_of(commands.begin(), commands.end(),
                       [&](const auto* command) { return command->get_name() == first; });
}

std::string CCommandLine::SelectedName() const {
    std::string name;
    for (const CLI::App* app = m_pApp.get(); !app->get_subcommands().empty();) {
        app = app->get_subcommands().front();
        name += (name.empty() ? "" : " ") + app->get_name();
    }
    return name;
}

std::string CCommandLine::Parse(const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        m_pApp->parse(reversed);
    } catch (const CLI::ParseError& e) {
        const std::string name = SelectedName();
        return (name.empty() ? "tavik" : name) + ": " + e.what();
    }
    return "";
}

// The overview itself: help() would show the help of a subcommand already parsed.
std::string CCommandLine::Usage() const {
    return m_pApp->get_formatter()->make_help(m_pApp.get(), "tavik", CLI::AppFormatMode::Normal);
}

int CCommandLine::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                      bool terminal) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        m_pApp->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << m_pApp->help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        out << e.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        const std::string name = SelectedName();
        err << (name.empty() ? "tavik" : name) << ": " << e.what() << "\n"
            << "Run \"tavik " << (name.empty() ? "" : name + " ") << "--help\" for the options.\n";
        return 2;
    }
    if (m_pGenerate->Command().parsed()) {
        return m_pGenerate->Run(out, err);
    }
    if (m_pMonitor->Command().parsed()) {
        return m_pMonitor->Run(out, err);
    }
    if (m_pAnalyse->Command().parsed()) {
        return m_pAnalyse->Run(out, err, terminal);
    }
    if (m_pSetup->Command().parsed()) {
        return m_pSetup->Run(out, err);
    }
    if (m_pScan->Command().parsed()) {
        return m_pScan->Run(out, err);
    }
    for (const auto& [command, run] : m_added) {
        if (command->parsed()) {
            return run(out, err);
        }
    }
    if (m_pHelp->parsed() && !m_strHelpTopic.empty()) {
        const std::vector<CLI::App*> found = m_pApp->get_subcommands(
            [&](const CLI::App* command) { return command->get_name() == m_strHelpTopic; });
        if (found.empty()) {
            err << "help: \"" << m_strHelpTopic << "\" is not a command\n";
            return 2;
        }
        out << found.front()->help("tavik");
        return 0;
    }
    out << Usage();  // "tavik help"
    return 0;
}

}  // namespace tavik

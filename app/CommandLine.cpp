#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string_view>

#include "app/AnalyseCommand.h"
#include "app/ListenCommand.h"
#include "app/MonitorCommand.h"
#include "app/ScanCommand.h"
#include "app/SetupCommand.h"
#include "tools/GenerateCommand.h"

namespace tavik {

namespace {

// Edits from one word to the other: insertions, deletions, substitutions and swaps of two
// neighbouring letters ("statoin" is one swap from "station").
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substitution = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, substitution});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

std::string_view WithoutDashes(std::string_view word) {
    return word.substr(std::min(word.find_first_not_of('-'), word.size()));
}

// "; did you mean "NAME"?" for the name nearest to `word` (dashes aside), when it is at most
// two edits away and those are at most half the word; the first of equally near ones.
std::string Suggestion(std::string_view word, const std::vector<std::string>& names) {
    const std::string_view bare = WithoutDashes(word);
    std::size_t best = std::min<std::size_t>(2, bare.size() / 2) + 1;
    std::string nearest;
    for (const std::string& name : names) {
        if (const std::size_t distance = EditDistance(bare, WithoutDashes(name)); distance < best) {
            best = distance;
            nearest = name;
        }
    }
    return nearest.empty() ? std::string() : "; did you mean \"" + nearest + "\"?";
}

std::vector<std::string> CommandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) {
        names.push_back(command->get_name());
    }
    return names;
}

std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
    }
    return names;
}

// What the parse of `app` left over: the first unknown option, or a word where a command was
// expected, as "unknown option "--statoin"; did you mean "--station"?"; "" for anything else
// (an extra argument, a missing one), which CLI11's own text says.
std::string Leftover(const CLI::App& app) {
    const std::vector<std::string> remaining = app.remaining();
    for (const std::string& arg : remaining) {
        if (arg.size() > 1 && arg.front() == '-') {
            const std::string option = arg.substr(0, arg.find('='));
            return "unknown option \"" + option + "\"" + Suggestion(option, OptionNames(app));
        }
    }
    const std::vector<std::string> commands = CommandNames(app);
    if (!commands.empty() && !remaining.empty()) {
        return "unknown command \"" + remaining.front() + "\"" +
               Suggestion(remaining.front(), commands);
    }
    return {};
}

}  // namespace

CCommandLine::CCommandLine()
    : m_pApp(std::make_unique<CLI::App>(
          "Tavik measures one FM transmitter from recordings or through a live receiver (an\n"
          "RTL-SDR by rtl_tcp or SoapySDR). Without a command (or with FILE.tvk or --start\n"
          "[FILE.tvk]) it starts the graphical application, tavik-gui, which also draws the\n"
          "daily report (tavik report RESULT.xml; package tavik-gui).",
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
    m_pListen = std::make_unique<CListenCommand>(app);
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

std::string CCommandLine::Refusal(const CLI::ParseError& error) const {
    const CLI::App* selected = m_pApp.get();
    while (!selected->get_subcommands().empty()) {
        selected = selected->get_subcommands().front();
    }
    const std::string name = SelectedName();
    const std::string leftover = Leftover(*selected);
    return (name.empty() ? "tavik" : name) + ": " + (leftover.empty() ? error.what() : leftover);
}

std::string CCommandLine::Parse(const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        m_pApp->parse(reversed);
    } catch (const CLI::ParseError& e) {
        return Refusal(e);
    }
    return "";
}

// The overview itself: help() would show the help of a subcommand already parsed.
std::string CCommandLine::Usage() const {
    return m_pApp->get_formatter()->make_help(m_pApp.get(), "tavik", CLI::AppFormatMode::Normal);
}

std::string CCommandLine::UnknownCommand(const std::vector<std::string>& args) const {
    if (args.empty() || IsCommand(args) || args.front().empty() || args.front().front() == '-' ||
        args.front().ends_with(".tvk")) {
        return {};
    }
    return "tavik: unknown command \"" + args.front() + "\"" +
           Suggestion(args.front(), CommandNames(*m_pApp));
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
        err << Refusal(e) << "\n"
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
    if (m_pListen->Command().parsed()) {
        return m_pListen->Run(err);
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
            err << "help: \"" << m_strHelpTopic << "\" is not a command"
                << Suggestion(m_strHelpTopic, CommandNames(*m_pApp)) << "\n";
            return 2;
        }
        out << found.front()->help("tavik");
        return 0;
    }
    out << Usage();  // "tavik help"
    return 0;
}

}  // namespace tavik

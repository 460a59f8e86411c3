#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavik {

// The command lines that start the application window: none at all, a document file
// (`tavik FILE.tvk`), or an unattended start (`tavik --start [FILE.tvk]`).
struct SGuiCommandLine {
    std::string strDocument;
    bool bStart = false;
};

// The window's command line, or nothing when `args` (without the program name) is another
// command.
std::optional<SGuiCommandLine> ParseGuiCommandLine(const std::vector<std::string>& args);

// Runs the application window until it is closed; the exit code.
int RunGuiCommand(int& argc, char** argv, const SGuiCommandLine& commandLine);

}  // namespace tavik

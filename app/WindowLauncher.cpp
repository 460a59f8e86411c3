#include "app/WindowLauncher.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/GuiOptions.h"

namespace tavik {

std::string WindowExecutablePath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ((ec ? std::filesystem::path("/usr/bin") : self.parent_path()) / "tavik-gui").string();
}

int RunInWindowExecutable(char** argv, const std::string& what) {
    const std::string path = WindowExecutablePath();
    argv[0] = const_cast<char*>(path.c_str());
    ::execv(path.c_str(), argv);
    const int cause = errno;
    if (cause == ENOENT) {
        std::cerr << "tavik: " << what
                  << " comes with tavik-gui (package tavik-gui), which is not installed\n";
    } else {
        std::cerr << "tavik: cannot start " << path << ": " << std::strerror(cause) << "\n";
    }
    return 2;
}

// The window of the tavik executable is tavik-gui's.
int RunGuiCommand(int& /*argc*/, char** argv, const SGuiCommandLine& /*commandLine*/) {
    return RunInWindowExecutable(argv, "the application window");
}

}  // namespace tavik

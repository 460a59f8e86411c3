#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace tavik::test {

// What a shell command printed on its standard output, and its exit code (-1 when it did not
// exit normally).
struct CShellRun {
    int exitCode = -1;
    std::string out;
};

inline CShellRun Shell(const std::string& command) {
    CShellRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace tavik::test

#pragma once

#include <string>

namespace tavik {

// The tavik executable links no Qt, so that a transmitter site's server carries no user
// interface. The window and `tavik report` (whose charts Qt draws into the PDF) are the
// executable tavik-gui beside it (package tavik-gui), which tavik hands those command lines to.

// tavik-gui in the folder of the running executable.
std::string WindowExecutablePath();

// Replaces the process by tavik-gui with the same arguments. Returns only when it cannot:
// 2, after saying why on stderr (`what` is what the command line asked for).
int RunInWindowExecutable(char** argv, const std::string& what);

}  // namespace tavik

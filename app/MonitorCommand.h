#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tavik {

// `tavik monitor [options]`: the arguments after "monitor". Measures the recordings in the
// working directory until --seconds pass or SIGINT/SIGTERM arrives. Returns the exit code:
// 0 stopped normally, 1 the setup or the device failed, 2 a bad command line.
int RunMonitorCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tavik

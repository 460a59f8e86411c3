#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tavik {

// `tavik generate OUTDIR [options]`: the arguments after "generate". Returns the exit code:
// 0 done, 1 a file could not be written, 2 a bad command line.
int RunGenerateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tavik

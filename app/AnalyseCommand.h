#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "document/BatchAnalysis.h"

namespace tavik {

// `tavik analyse [DIR] [--out DIR] [--setup FILE.tvk] [--enable-alarms]
// [--start YYYY-MM-DDTHH:MM:SS] [--json]`: the deterministic batch analysis of the recordings
// in DIR (default: the working directory).
class CAnalyseCommand {
public:
    struct CParsed {
        CBatchOptions options;
        bool bJson = false;
        bool bHelp = false;
        bool bStartGiven = false;
    };

    // The arguments after "analyse"; throws COptionError. Without --start the options' start
    // stays unset (the caller puts now there).
    static CParsed Parse(const std::vector<std::string>& args);
    static std::string Usage();

    // Returns the exit code: 0 done, 1 the analysis failed, 2 a bad command line. The progress
    // bar goes to `err` when `progressBar` is set (stderr is a terminal).
    static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool progressBar);
};

}  // namespace tavik

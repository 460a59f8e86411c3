#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "report/DayReport.h"

namespace tavik {

// `tavik report RESULT.xml [--log LOG] [--setup FILE.tvk] [--out FILE.pdf]`: the daily
// measurement report of a result file as a PDF, without a display.
class CReportCommand {
public:
    struct CParsed {
        CReportOptions options;
        bool bHelp = false;
    };

    // The arguments after "report"; throws COptionValueError.
    static CParsed Parse(const std::vector<std::string>& args);
    static std::string Usage();

    // Returns the exit code: 0 written, 1 an input could not be read or the PDF not written,
    // 2 a bad command line.
    static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

}  // namespace tavik

#include "app/MonitorCommand.h"

#include "app/HeadlessRunner.h"
#include "app/MonitorOptions.h"
#include "app/SignalStop.h"
#include "tools/OptionParser.h"

namespace tavik {

int RunMonitorCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CMonitorOptions options;
    try {
        options = CMonitorOptionParser::Parse(args);
    } catch (const COptionError& e) {
        err << e.what() << "\n" << CMonitorOptionParser::Usage();
        return 2;
    }
    if (options.bHelp) {
        out << CMonitorOptionParser::Usage();
        return 0;
    }
    const CSignalStop signals;
    CHeadlessRunner runner(options, out, err, CSignalStop::Flag());
    return runner.Run();
}

}  // namespace tavik

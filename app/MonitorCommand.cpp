#include "app/MonitorCommand.h"

#include <unistd.h>

#include <iostream>
#include <memory>

#include "app/DroppingLineOutput.h"

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
    // On the console the lines go out without ever blocking the measurement; lines a stalled
    // reader cannot take are dropped and counted.
    std::unique_ptr<CDroppingLineOutput> outBuffer;
    std::unique_ptr<CDroppingLineOutput> errBuffer;
    std::unique_ptr<std::ostream> outStream;
    std::unique_ptr<std::ostream> errStream;
    std::ostream* console = &out;
    std::ostream* errors = &err;
    if (&out == &std::cout) {
        outBuffer = std::make_unique<CDroppingLineOutput>(STDOUT_FILENO);
        outStream = std::make_unique<std::ostream>(outBuffer.get());
        console = outStream.get();
    }
    if (&err == &std::cerr) {
        errBuffer = std::make_unique<CDroppingLineOutput>(STDERR_FILENO);
        errStream = std::make_unique<std::ostream>(errBuffer.get());
        errors = errStream.get();
    }
    int code = 0;
    {
        CHeadlessRunner runner(options, *console, *errors, CSignalStop::Flag());
        code = runner.Run();
    }
    if (outBuffer && outBuffer->GetDroppedLines() > 0) {
        *errors << "monitor: " << outBuffer->GetDroppedLines()
                << " output lines could not be written (the output was not read) and were "
                   "dropped"
                << std::endl;
    }
    return code;
}

}  // namespace tavik

#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavik {

// What `tavik monitor` was told.
struct CMonitorOptions {
    int nSeconds = 0;                // measuring seconds before the normal stop; 0: until a signal
    std::string strLogFolder;        // result logging into this folder; empty: no logging
    std::string strSetupFile;        // setup (.tvk) to open before the start
    bool bEnableAlarms = false;      // enable every alarm of the setup, as ticking its box would
    std::optional<float> frequency;  // MHz; else the setup's (or the default) frequency
    double fSpeed = 1.0;  // pace of playback and main timer, multiples of real time (testing)
    bool bHelp = false;
};

// Turns the arguments after "monitor" into options; throws COptionError naming the option.
class CMonitorOptionParser {
public:
    static CMonitorOptions Parse(const std::vector<std::string>& args);
    static std::string Usage();
};

}  // namespace tavik

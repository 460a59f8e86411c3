// libFuzzer entry for `setup write`'s JSON: any text is either refused with CSetupError or
// gives a setup that the document loader takes as it is (the two keep the same rules), and
// whose JSON reads back to the same stored bytes.

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/SetupJson.h"
#include "document/SetupFile.h"
#include "document/SetupRules.h"

using namespace tavik;

namespace {

std::vector<std::uint8_t> Stored(const CProtocolHeader& header, const CAlarmMap& alarms) {
    CArchive ar;
    StoreSetup(ar, header, alarms);
    return ar.GetBuffer();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CProtocolHeader header;
    CAlarmMap alarms;
    try {
        CSetupJson::FromJson(CSetupJson::Parse(in), header, alarms);
    } catch (const CSetupError&) {
        return 0;
    }
    if (!setup_rules::CheckSetup(header, alarms).empty()) {
        std::abort();  // written by `setup write`, refused by the loader
    }
    const std::vector<std::uint8_t> first = Stored(header, alarms);
    std::istringstream shown(CSetupJson::ToJson(header, alarms).dump());
    CProtocolHeader again;
    CAlarmMap againAlarms;
    CSetupJson::FromJson(CSetupJson::Parse(shown), again, againAlarms);  // must not throw
    if (Stored(again, againAlarms) != first) {
        std::abort();
    }
    return 0;
}

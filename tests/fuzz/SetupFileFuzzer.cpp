// libFuzzer entry for the document-file reader: any input either loads or fails with
// CArchiveException, and whatever loads stores and loads back to the same bytes.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "document/SetupFile.h"

using namespace tavik;

namespace {

std::vector<std::uint8_t> Stored(const CProtocolHeader& header, const CAlarmMap& alarms) {
    CArchive ar;
    StoreSetup(ar, header, alarms);
    return ar.GetBuffer();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CProtocolHeader header;
    CAlarmMap alarms;
    try {
        CArchive ar(data, size);
        LoadSetup(ar, header, alarms);
    } catch (const CArchiveException&) {
        return 0;
    }
    const std::vector<std::uint8_t> first = Stored(header, alarms);
    CProtocolHeader again;
    CAlarmMap againAlarms;
    CArchive back(first.data(), first.size());
    LoadSetup(back, again, againAlarms);  // must not throw: it was written by us
    if (back.GetRemaining() != 0 || Stored(again, againAlarms) != first) {
        std::abort();
    }
    return 0;
}

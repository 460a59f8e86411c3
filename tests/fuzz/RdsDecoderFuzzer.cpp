// libFuzzer entry for the RDS decoder: an arbitrary bit stream, cut into chunks of arbitrary
// sizes (as the transfer hands them over), never crashes it and keeps its texts in bounds.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "rds/RDSDecoder.h"

using namespace tavik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CRDSDecoder decoder;
    std::size_t at = 0;
    while (at < size) {
        // The first byte of each chunk gives the chunk's length (1..256 bytes after it).
        const std::size_t length = std::min<std::size_t>(data[at] + 1u, size - at - 1);
        ++at;
        if (length == 0) {
            break;
        }
        decoder.Decode(data + at, static_cast<int>(length));
        at += length;
    }
    const CRDSData& record = decoder.GetData();
    if (record.m_strPS.size() > 8 || record.m_strRadioText.size() > 64 ||
        record.m_strPTYN.size() > 8) {
        std::abort();
    }
    return 0;
}

// libFuzzer entry for continuing a day's result file: whatever the file holds, it is either
// left untouched (not a result file), moved aside whole for a fresh file (a cut header, ids
// that would run out), or continued after a prefix of itself that ends with a whole record (or
// the header), followed by the new records and the footer.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "document/ResultLog.h"

using namespace tavik;

namespace {

class CQuietPrompt final : public CPrompt {
public:
    int MessageBox(const std::string&, unsigned) override { return IDNO; }
    void Notice(const std::string&) override {}
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("tavik-fuzz-" + std::to_string(::getpid()) + ".xml"))
                                        .string();
    const std::string before(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << before;

    CQuietPrompt prompt;
    CResultLog log;
    CResultLog::CContinuation found;
    const int error = log.BeginResultFile(path, found, prompt);
    if (error != 0) {
        if (error != CResultLog::NOT_A_RESULT_FILE || ReadAll(path) != before) {
            std::abort();  // only "not a result file" is expected here, and it is untouched
        }
        return 0;
    }
    std::int32_t id = found.nLastId;
    const CResultRecord record{1.0f, 2.0f, 3.0f, 1781517600};
    log.Keep(&record, 1, prompt);
    if (log.WriteResults(path, id, prompt) != 0 || log.AppendFooter(path, prompt) != 0) {
        std::abort();
    }
    std::string tail;
    CResultLog::AppendRecord(tail, found.nLastId + 1, record);
    tail += CResultLog::FOOTER;
    const std::string after = ReadAll(path);
    if (after.size() < tail.size()) {
        std::abort();
    }
    const std::size_t kept = after.size() - tail.size();
    const std::string_view prefix(after.data(), kept);
    const bool wellCut = prefix == CResultLog::HEADER || prefix.ends_with("</Measurement>");
    if (!after.ends_with(tail) || !wellCut || !prefix.starts_with(CResultLog::HEADER)) {
        std::abort();
    }
    if (!found.strMovedAside.empty()) {
        // Moved aside whole, and begun afresh with the header.
        const std::string aside = ReadAll(found.strMovedAside);
        std::filesystem::remove(found.strMovedAside);
        if (aside != before || prefix != CResultLog::HEADER) {
            std::abort();
        }
    } else if (!before.empty() && before.compare(0, kept, prefix) != 0) {
        std::abort();
    }
    return 0;
}

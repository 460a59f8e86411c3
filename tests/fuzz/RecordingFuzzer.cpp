// libFuzzer entry for the recordings reader and the batch analysis: arbitrary bytes as
// "mpx.dat", "lev.dat" and "rds.dat" (each part repeated to two blocks, so whole blocks reach
// every analyser) either analyse or fail with CBatchError, never crash.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "document/BatchAnalysis.h"
#include "document/RecordingReader.h"

using namespace tavik;

namespace {

// A prompt that says nothing: the analysis reports into the void.
class CQuietPrompt final : public CPrompt {
public:
    int MessageBox(const std::string&, unsigned) override { return IDNO; }
    void Notice(const std::string&) override {}
};

void WriteTiled(const std::string& path, const std::uint8_t* data, std::size_t size,
                std::size_t total) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (std::size_t written = 0; size > 0 && written < total; written += size) {
        out.write(reinterpret_cast<const char*>(data),
                  static_cast<std::streamsize>(std::min(size, total - written)));
    }
}

const std::string& Folder() {
    static const std::string folder = [] {
        std::string path =
            (std::filesystem::temp_directory_path() / ("tavik-fuzz-" + std::to_string(::getpid())))
                .string();
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte chooses how long the sample files are: none, part of, one or two blocks.
    if (size < 2) {
        return 0;
    }
    const std::size_t lengths[] = {0, CRecordingReader::kBlockBytes / 2,
                                   CRecordingReader::kBlockBytes,
                                   2 * CRecordingReader::kBlockBytes};
    const std::size_t samples = lengths[data[0] % 4];
    ++data;
    --size;
    const std::size_t third = size / 3;
    WriteTiled(Folder() + "/mpx.dat", data, third, samples);
    WriteTiled(Folder() + "/lev.dat", data + third, third, samples);
    WriteTiled(Folder() + "/rds.dat", data + 2 * third, size - 2 * third, size - 2 * third);
    CQuietPrompt prompt;
    CBatchOptions options;
    options.strDataFolder = Folder();
    options.start = CTime(1781517600);
    try {
        CBatchAnalysis analysis(options, prompt);
        analysis.Run();
    } catch (const CBatchError&) {
    }
    return 0;
}

// libFuzzer entry for the IQ recording reader: the input is a SigMF metadata text, a NUL byte
// and the data file's bytes. Any input either fails with CIqSourceError (its message naming
// the cause) or gives blocks of finite MPX and level samples; nothing else may happen.

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "device/IqFileSource.h"

using namespace tavik;

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/tavik-iq-fuzz-XXXXXX";
        const char* made = mkdtemp(name);
        if (made == nullptr) {
            std::abort();
        }
        return std::string(made);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string meta = Folder() + "/x.sigmf-meta";
    std::ofstream(meta, std::ios::binary | std::ios::trunc) << input.substr(0, split);
    std::ofstream(Folder() + "/x.sigmf-data", std::ios::binary | std::ios::trunc)
        << (split == std::string::npos ? std::string() : input.substr(split + 1));
    try {
        CIqSourceSettings settings;
        settings.strFile = meta;
        CIqFileSource source(settings);
        std::vector<float> mpx(CIqFileSource::kBlockSamples);
        std::vector<float> level(CIqFileSource::kBlockSamples);
        if (source.ReadBlock(mpx.data(), level.data())) {
            for (int i = 0; i < CIqFileSource::kBlockSamples; ++i) {
                if (!std::isfinite(mpx[static_cast<std::size_t>(i)])) {
                    std::abort();
                }
            }
        }
    } catch (const CIqSourceError& e) {
        if (std::string(e.what()).empty()) {
            std::abort();
        }
    }
    return 0;
}

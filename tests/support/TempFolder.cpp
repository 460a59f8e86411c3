#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tavik::test {

CTempFolder::CTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavik-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_strPath = pattern;
}

CTempFolder::~CTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}

void CTempFolder::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream out(File(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> CTempFolder::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> Samples16(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

void WriteOneBlockRecording(const CTempFolder& folder, std::int16_t sample) {
    folder.Write("mpx.dat", Samples16(std::vector<std::int16_t>(20000, sample)));
    folder.Write("lev.dat", Samples16(std::vector<std::int16_t>(20000, sample)));
    folder.Write("rds.dat", std::vector<std::uint8_t>(100));
}

}  // namespace tavik::test

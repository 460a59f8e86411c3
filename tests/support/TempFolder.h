#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavik::test {

// A fresh folder under the system's temporary directory, removed with its contents.
class CTempFolder {
public:
    CTempFolder() : m_strPath((std::filesystem::temp_directory_path() / "tavik-XXXXXX").string()) {
        if (mkdtemp(m_strPath.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
    }
    ~CTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_strPath, ignored);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(File(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::uint8_t> Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string m_strPath;
};

// Little-endian 16-bit samples as file bytes.
inline std::vector<std::uint8_t> Samples16(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes;
    for (const std::int16_t s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
    }
    return bytes;
}

// The three measurement recordings, one block long: constant MPX and level samples and 100
// zero RDS bytes. Enough for a start to succeed when no block is ever delivered.
inline void WriteOneBlockRecording(const CTempFolder& folder, std::int16_t sample = 100) {
    folder.Write("mpx.dat", Samples16(std::vector<std::int16_t>(20000, sample)));
    folder.Write("lev.dat", Samples16(std::vector<std::int16_t>(20000, sample)));
    folder.Write("rds.dat", std::vector<std::uint8_t>(100));
}

}  // namespace tavik::test

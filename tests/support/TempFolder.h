#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavik::test {

// A fresh folder under the system's temporary directory, removed with its contents.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::vector<std::uint8_t> Read(const std::string& name) const;

private:
    std::string m_strPath;
};

// Little-endian 16-bit samples as file bytes.
std::vector<std::uint8_t> Samples16(const std::vector<std::int16_t>& samples);

// The three measurement recordings, one block long: constant MPX and level samples and 100
// zero RDS bytes. Enough for a start to succeed when no block is ever delivered.
void WriteOneBlockRecording(const CTempFolder& folder, std::int16_t sample = 100);

}  // namespace tavik::test

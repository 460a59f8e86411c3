#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tavik {

// What travels with a live receiver although the receiver cannot keep it: its EEPROM image (256
// bytes; the multipath calibration block lives at address 26), its level calibration (dBuV at
// 0 dBFS) and the frequency correction of its oscillator (ppm). One file per receiver,
// "KEY.json" in the folder, keyed by what names the device: host and port for rtl_tcp, the
// serial (else the arguments) for SoapySDR.
class CReceiverStore {
public:
    static constexpr std::size_t kEepromSize = 256;

    // $XDG_DATA_HOME/tavik/receivers, else ~/.local/share/tavik/receivers.
    static std::string DefaultFolder();
    // The key of "rtltcp:HOST[:PORT]" ("rtltcp-HOST-PORT") or "soapy:ARGS"
    // ("soapy-SERIAL" when the arguments name a serial, else the arguments); characters other
    // than letters, digits, '.', '_' and '-' become '_'.
    static std::string KeyOf(const std::string& receiver);

    CReceiverStore(std::string folder, const std::string& receiver);

    // Bytes never written read as 0: a receiver never calibrated has a calibration of zeros.
    // False when the range leaves the EEPROM.
    bool Read(std::uint8_t* buffer, std::size_t address, std::size_t length) const;
    // Writes through to the file; false when the range leaves the EEPROM or the file cannot
    // be written.
    bool Write(const std::uint8_t* buffer, std::size_t address, std::size_t length);

    std::optional<double> FullScale() const { return m_fullScale; }
    bool SetFullScale(double dbuv);
    std::optional<double> Ppm() const { return m_ppm; }
    bool SetPpm(double ppm);

    const std::string& Path() const { return m_strPath; }

private:
    void Load();
    bool Save() const;

    std::string m_strFolder;
    std::string m_strPath;
    std::array<std::uint8_t, kEepromSize> m_eeprom{};
    std::optional<double> m_fullScale;
    std::optional<double> m_ppm;
};

}  // namespace tavik

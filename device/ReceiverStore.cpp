#include "device/ReceiverStore.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tavik {

namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::string Sanitised(std::string text) {
    for (char& c : text) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        c = kept ? c : '_';
    }
    return text;
}

}  // namespace

std::string CReceiverStore::DefaultFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data != '\0') {
        return std::string(data) + "/tavik/receivers";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/share/tavik/receivers";
}

std::string CReceiverStore::KeyOf(const std::string& receiver) {
    if (receiver.rfind("rtltcp:", 0) == 0) {
        std::string address = receiver.substr(7);
        if (address.find(':') == std::string::npos) {
            address += ":1234";
        }
        address[address.rfind(':')] = '-';
        return Sanitised("rtltcp-" + address);
    }
    if (receiver.rfind("soapy:", 0) == 0) {
        const std::string args = receiver.substr(6);
        const std::size_t serial = args.find("serial=");
        if (serial != std::string::npos && (serial == 0 || args[serial - 1] == ',')) {
            const std::size_t end = args.find(',', serial);
            return Sanitised("soapy-" + args.substr(serial + 7, end - serial - 7));
        }
        return Sanitised("soapy-" + args);
    }
    return Sanitised(receiver);
}

CReceiverStore::CReceiverStore(std::string folder, const std::string& receiver)
    : m_strFolder(std::move(folder)), m_strPath(m_strFolder + "/" + KeyOf(receiver) + ".json") {
    Load();
}

void CReceiverStore::Load() {
    std::ifstream in(m_strPath);
    if (!in) {
        return;  // never calibrated
    }
    std::stringstream text;
    text << in.rdbuf();
    // A damaged file reads as a receiver never calibrated; the next write replaces it.
    const nlohmann::json store = nlohmann::json::parse(text.str(), nullptr, false);
    if (!store.is_object()) {
        return;
    }
    if (const auto eeprom = store.find("eeprom");
        eeprom != store.end() && eeprom->is_string() &&
        eeprom->get<std::string>().size() == 2 * kEepromSize) {
        const std::string hex = eeprom->get<std::string>();
        for (std::size_t i = 0; i < kEepromSize; ++i) {
            const unsigned long byte = std::strtoul(hex.substr(2 * i, 2).c_str(), nullptr, 16);
            m_eeprom[i] = static_cast<std::uint8_t>(byte);
        }
    }
    if (const auto fullScale = store.find("full_scale_dbuv");
        fullScale != store.end() && fullScale->is_number()) {
        m_fullScale = fullScale->get<double>();
    }
    if (const auto ppm = store.find("ppm"); ppm != store.end() && ppm->is_number()) {
        m_ppm = ppm->get<double>();
    }
}

bool CReceiverStore::Save() const {
    nlohmann::ordered_json store;
    store["eeprom"] = Hex(m_eeprom.data(), m_eeprom.size());
    if (m_fullScale) {
        store["full_scale_dbuv"] = *m_fullScale;
    }
    if (m_ppm) {
        store["ppm"] = *m_ppm;
    }
    std::error_code error;
    std::filesystem::create_directories(m_strFolder, error);
    // Whole or not at all: a new file beside, renamed over the old one.
    const std::string temporary = m_strPath + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << store.dump(2) << "\n";
        if (!out.flush()) {
            return false;
        }
    }
    std::filesystem::rename(temporary, m_strPath, error);
    return !error;
}

bool CReceiverStore::Read(std::uint8_t* buffer, std::size_t address, std::size_t length) const {
    if (address + length > kEepromSize) {
        return false;
    }
    std::memcpy(buffer, m_eeprom.data() + address, length);
    return true;
}

bool CReceiverStore::Write(const std::uint8_t* buffer, std::size_t address, std::size_t length) {
    if (address + length > kEepromSize) {
        return false;
    }
    std::memcpy(m_eeprom.data() + address, buffer, length);
    return Save();
}

bool CReceiverStore::SetFullScale(double dbuv) {
    m_fullScale = dbuv;
    return Save();
}

bool CReceiverStore::SetPpm(double ppm) {
    m_ppm = ppm;
    return Save();
}

}  // namespace tavik

#pragma once

#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "device/ReceiverCommands.h"
#include "platform/ReceiverLink.h"

namespace tavik::test {

// A receiver that answers every command with success and records what it was sent. The read
// after a command's answer returns the EEPROM block or the panorama reading.
class CRecordingLink : public CReceiverLink {
public:
    bool BulkWrite(std::uint32_t, const std::uint8_t* data, std::size_t length) override {
        std::lock_guard lock(m_mutex);
        if (!writeOk) {
            return false;
        }
        m_commands.emplace_back(data, data + length);
        m_nReads = 0;
        return true;
    }
    bool BulkRead(std::uint32_t, std::uint8_t* data, std::size_t length) override {
        std::lock_guard lock(m_mutex);
        if (!readOk) {
            return false;
        }
        std::memset(data, 0, length);
        if (m_nReads++ == 0 || m_commands.empty()) {
            if (length > 1) {
                data[1] = remote;  // the command's answer: accepted
            }
            return true;
        }
        if (m_commands.back()[0] == CMD_EEPROM_READ) {
            std::memcpy(data, eeprom, std::min<std::size_t>(length, sizeof eeprom));
        } else if (m_commands.back()[0] == CMD_PANORAMA && length >= 2) {
            data[0] = static_cast<std::uint8_t>(panoramaRaw & 0xFF);
            data[1] = static_cast<std::uint8_t>(panoramaRaw >> 8);
        }
        return true;
    }
    std::vector<std::vector<std::uint8_t>> Commands() const {
        std::lock_guard lock(m_mutex);
        return m_commands;
    }
    // The commands sent since the last call.
    std::vector<std::vector<std::uint8_t>> Take() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_commands, {});
    }
    // The commands other than panorama readings.
    std::vector<std::vector<std::uint8_t>> Settings() const {
        std::vector<std::vector<std::uint8_t>> out;
        for (auto& command : Commands()) {
            if (command[0] != CMD_PANORAMA) {
                out.push_back(command);
            }
        }
        return out;
    }
    static std::vector<std::uint8_t> Tune(float megahertz) {
        const auto steps = static_cast<std::uint16_t>(megahertz * 100.0f + 0.5f);
        return {CMD_TUNER_FREQUENCY, static_cast<std::uint8_t>(steps >> 8),
                static_cast<std::uint8_t>(steps & 0xFF)};
    }

    bool writeOk = true;
    bool readOk = true;
    std::uint8_t remote = 1;  // byte 1 of a command's answer: the remote-state flag
    std::uint8_t eeprom[16] = {};
    std::uint16_t panoramaRaw = 0;

private:
    mutable std::mutex m_mutex;
    std::vector<std::vector<std::uint8_t>> m_commands;
    int m_nReads = 0;
};

}  // namespace tavik::test

#pragma once

#include <cstdint>

namespace tavik {

// Command numbers of the receiver source (the framing is fixed, the numbering is ours).
enum : std::uint8_t {
    CMD_CONFIGURE = 0x01,
    CMD_TUNER_FREQUENCY = 0x02,
    CMD_ANTENNA = 0x03,
    CMD_ALARM_OUTPUT = 0x04,
    CMD_REMOTE_STATE = 0x05,
    CMD_SOF = 0x06,
    CMD_EEPROM_READ = 0x07,
    CMD_EEPROM_WRITE = 0x08,
    CMD_PANORAMA = 0x09,
};

}  // namespace tavik

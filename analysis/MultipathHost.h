#pragma once

#include <cstdint>

#include "platform/MessageTarget.h"

namespace tavik {

// What the multipath analyser reaches through its owner (the document): the window that gets
// failure notices and the receiver's EEPROM for a new calibration.
class CMultipathHost {
public:
    virtual HWND GetResultWindow() const = 0;
    // Writes the 16-byte calibration block (four little-endian floats) to the receiver;
    // throws CTavikControlException.
    virtual void SaveCalibrators(const std::uint8_t* block) = 0;

protected:
    ~CMultipathHost() = default;
};

}  // namespace tavik

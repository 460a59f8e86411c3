#pragma once

#include <cstdint>

namespace tavik {

// One RDS data message as the RDS distribution thread hands it on, by value: the bytes read
// from the receiver (bit stream, most significant bit first) and the count of valid bytes
// (100 for a receiver block).
struct RDS_DATA_MSG {
    static constexpr int kDataBytes = 500;

    std::uint8_t data[kDataBytes];
    std::int32_t count;
};
static_assert(sizeof(RDS_DATA_MSG) == 504, "126 32-bit words");

}  // namespace tavik

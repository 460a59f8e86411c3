#pragma once

#include <cstddef>
#include <cstdint>

namespace tavik {

// The receiver's bulk pipes as the driver offers them. No real USB driver is built here; tests
// provide a fake and the recorded-data source needs none.
class CReceiverLink {
public:
    virtual ~CReceiverLink() = default;
    // Bulk write (driver request 0x00222051) to `pipe`; false when the request failed.
    virtual bool BulkWrite(std::uint32_t pipe, const std::uint8_t* data, std::size_t length) = 0;
    // Bulk read (driver request 0x0022204E) from `pipe` into `data`; false when it failed.
    virtual bool BulkRead(std::uint32_t pipe, std::uint8_t* data, std::size_t length) = 0;
};

}  // namespace tavik

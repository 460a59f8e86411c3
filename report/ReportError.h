#pragma once

#include <stdexcept>

namespace tavik {

// A report that cannot be made: an input that cannot be read or an output that cannot be
// written. The message names the file and the cause.
class CReportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tavik

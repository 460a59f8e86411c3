#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavik {

// RDS texts (PS, PTYN, radio text, the other network's PS) are bytes of the RDS basic code
// table, not of any computer character set. The record keeps the bytes; whatever writes them
// as text maps them here, one character per byte, so that every byte stays recognisable.
class CRDSCharacterSet {
public:
    // The character of one byte: 0x20-0xFE by the basic code table. Control bytes (below 0x20,
    // and 0x7F) stay themselves, for the writers to escape; 0xFF, empty in the table, gives
    // U+FFFD.
    static char32_t ToUnicode(std::uint8_t byte);
    // The bytes as UTF-8, each through ToUnicode.
    static std::string ToUtf8(std::string_view bytes);
};

}  // namespace tavik

#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace tavik::test {

// Builds expected file bytes field by field, little-endian.
class CByteBuilder {
public:
    CByteBuilder& U8(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    CByteBuilder& U16(std::uint16_t v) { return Le(v, 2); }
    CByteBuilder& U32(std::uint32_t v) { return Le(v, 4); }
    CByteBuilder& I32(std::int32_t v) { return Le(static_cast<std::uint32_t>(v), 4); }
    CByteBuilder& F32(float v) { return Le(std::bit_cast<std::uint32_t>(v), 4); }
    CByteBuilder& F64(double v) { return Le(std::bit_cast<std::uint64_t>(v), 8); }
    // Characters only, no length.
    CByteBuilder& Chars(const std::string& s) {
        m_bytes.insert(m_bytes.end(), s.begin(), s.end());
        return *this;
    }
    // A string with a one-byte length (under 255 characters).
    CByteBuilder& Str(const std::string& s) {
        return U8(static_cast<std::uint8_t>(s.size())).Chars(s);
    }
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

private:
    CByteBuilder& Le(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) {
            m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace tavik::test

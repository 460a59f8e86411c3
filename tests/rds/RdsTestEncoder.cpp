#include "tests/rds/RdsTestEncoder.h"

#include <random>

#include "tools/RdsEncoder.h"

namespace tavik::test {

std::uint32_t CRdsTestEncoder::EncodeBlock(std::uint16_t info, std::uint16_t offset) {
    return (static_cast<std::uint32_t>(info) << 10) |
           ((CRdsEncoder::Checkword(info) ^ offset) & 0x3FF);
}

void CRdsTestEncoder::AddBlock(std::uint16_t info, std::uint16_t offset) {
    AddBits(EncodeBlock(info, offset), 26);
}

void CRdsTestEncoder::AddGroup(std::uint16_t a, std::uint16_t b, std::uint16_t c, std::uint16_t d) {
    AddBlock(a, kOffsetA);
    AddBlock(b, kOffsetB);
    AddBlock(c, (b & 0x0800) ? kOffsetCPrime : kOffsetC);
    AddBlock(d, kOffsetD);
}

void CRdsTestEncoder::AddBits(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        m_bits.push_back((value >> i) & 1);
    }
}

void CRdsTestEncoder::AddNoise(int count, std::uint32_t seed) {
    std::mt19937 random(seed);
    for (int i = 0; i < count; ++i) {
        m_bits.push_back(random() & 1);
    }
}

void CRdsTestEncoder::AddRadioText(std::uint16_t pi, std::uint16_t bBase, int textAB,
                                   const std::string& text) {
    std::string cells = text;
    cells.resize(64, ' ');
    for (int s = 0; s < 16; ++s) {
        auto word = [&](int i) {
            return static_cast<std::uint16_t>((static_cast<std::uint8_t>(cells[4 * s + i]) << 8) |
                                              static_cast<std::uint8_t>(cells[4 * s + i + 1]));
        };
        AddGroup(pi, static_cast<std::uint16_t>(bBase | (textAB << 4) | s), word(0), word(2));
    }
}

std::vector<std::uint8_t> CRdsTestEncoder::Bytes() const {
    std::vector<std::uint8_t> bytes((m_bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < m_bits.size(); ++i) {
        if (m_bits[i]) {
            bytes[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
        }
    }
    return bytes;
}

}  // namespace tavik::test

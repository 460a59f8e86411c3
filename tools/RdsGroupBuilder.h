#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/GeneratorOptions.h"
#include "tools/RdsEncoder.h"

namespace tavik {

// Fills the blocks of the group types the station sends (all version A), from the station's
// options. Field layouts follow IEC 62106; the scheduler decides which group goes when.
class CRdsGroupBuilder {
public:
    explicit CRdsGroupBuilder(const CGeneratorOptions& options) : m_options(options) {}

    // 0A: PS segment 0-3, its decoder-identification bit, TA, M/S, and one AF pair in C.
    CRdsGroup Group0A(int segment, std::uint16_t afPair) const;
    // 1A: variant 0 carries the ECC, variant 3 the language; D the programme item number.
    CRdsGroup Group1A(int variant, std::uint16_t pin) const;
    // 2A: four characters of the 64-character text at segment 0-15.
    CRdsGroup Group2A(const std::string& text64, int segment, bool bFlagB) const;
    // 4A: clock time of `utcSeconds` (whole minutes), with the local offset in half hours.
    CRdsGroup Group4A(std::int64_t utcSeconds, int localOffset) const;
    // 10A: PTYN segment 0-1.
    CRdsGroup Group10A(int segment, bool bFlagB) const;
    // 14A: variant 0-3 PS(ON), 4 an AF(ON) pair, 13 PTY(ON) and TA(ON).
    CRdsGroup Group14A(int variant, std::uint16_t afPair) const;

    // Programme item number of day, hour, minute.
    static std::uint16_t ProgrammeItemNumber(int day, int hour, int minute);
    // Modified Julian Day of a time in seconds since 1970 (UTC).
    static std::uint32_t ModifiedJulianDay(std::int64_t utcSeconds);
    // AF method A: the count code with the first frequency, then the others in pairs, a
    // filler (205) completing the last pair. An empty list gives the one pair (224, 205).
    static std::vector<std::uint16_t> AfPairs(const std::vector<double>& megahertz);
    // 0-204 for 87.5 + 0.1 code MHz.
    static std::uint8_t AfCode(double megahertz);
    // A radio text padded to 64 characters, ended by a carriage return when shorter.
    static std::string RadioText64(const std::string& text);
    // Number of 2A segments that carry the text up to and including its carriage return.
    static int RadioTextSegments(const std::string& text);

private:
    std::uint16_t BlockB(int groupType, bool bTP, int pty, std::uint16_t low5) const;
    static std::uint16_t Chars(const std::string& text, std::size_t index);

    const CGeneratorOptions& m_options;
};

}  // namespace tavik

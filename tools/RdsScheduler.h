#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/GeneratorOptions.h"
#include "tools/RdsGroupBuilder.h"

namespace tavik {

// Decides which group goes on air next, in a repeating pattern of 16 groups: every second
// group a 0A (PS segments 0-3 in turn, the AF pairs rotating in block C), five 2A, and one
// each of 1A (variants 0 and 3 alternating), 10A and 14A (variants 0-3, 4, 13 in turn). A 4A
// takes the place of the next group as soon as a minute has begun, though never of the first
// group. The radio text changes between the two texts, with the A/B flag, after each has been
// sent twice in full.
class CRdsScheduler {
public:
    explicit CRdsScheduler(const CGeneratorOptions& options);

    // The group whose first bit goes on air `seconds` after the start of the recordings.
    CRdsGroup NextGroup(double seconds);

    // The transmitted stream of `bitCount` bits: the leading noise bits, then groups.
    static std::vector<std::uint8_t> TransmittedBits(const CGeneratorOptions& options,
                                                     std::size_t bitCount);
    // The received stream: the transmitted one with bits inverted at the options' error rate;
    // noise alone when the station sends no RDS (deviation 0).
    static std::vector<std::uint8_t> ReceivedBits(const CGeneratorOptions& options,
                                                  std::vector<std::uint8_t> bits);
    // Eight bits per byte, first bit in the most significant position; a last partial byte
    // is dropped.
    static std::vector<std::uint8_t> PackBits(const std::vector<std::uint8_t>& bits);

private:
    const CGeneratorOptions& m_options;
    CRdsGroupBuilder m_builder;
    std::vector<std::uint16_t> m_afPairs;
    std::vector<std::uint16_t> m_eonAfPairs;
    std::string m_texts[2];
    std::uint16_t m_nPIN;
    std::int64_t m_nNextMinute;  // UTC seconds of the next clock-time group
    std::int64_t m_nGroupsSent = 0;
    int m_nSlot = 0;
    int m_nPsSegment = 0;
    std::size_t m_nAfIndex = 0;
    std::size_t m_nEonAfIndex = 0;
    int m_n1AVariant = 0;
    int m_n10ASegment = 0;
    int m_n14AIndex = 0;
    int m_nText = 0;
    int m_nTextSegment = 0;
    int m_nTextRepeats = 0;
};

}  // namespace tavik

#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tavik {

// One received group: the four block words and the fields derived from them on arrival. The
// decoder keeps one record per slot; a new group of a slot's kind overwrites its words and is
// parsed there, while the extended country code and the characters of the other group
// versions stay in the record.
class CRDSGroup {
public:
    CRDSGroup();

    // Takes the words of blocks A-D and derives the fields below.
    void SetBlocks(const std::array<std::uint16_t, 4>& blocks);

    // Sets the extended country code and looks the country name up again.
    void SetExtendedCountryCode(int code);

    std::uint16_t A() const { return m_wBlocks[0]; }
    std::uint16_t B() const { return m_wBlocks[1]; }
    std::uint16_t C() const { return m_wBlocks[2]; }
    std::uint16_t D() const { return m_wBlocks[3]; }

    std::array<std::uint16_t, 4> m_wBlocks{};
    std::uint16_t m_wPI = 0;
    int m_nCountryCode = 0;             // PI bits 15-12
    int m_nAreaCoverage = 0;            // PI bits 11-8
    int m_nGroupType = 0;               // B bits 15-12
    bool m_bVersionB = false;           // B bit 11
    bool m_bTP = false;                 // B bit 10
    int m_nPTY = 0;                     // B bits 9-5
    int m_nSegment0 = 0;                // group 0 segment address, B bits 1-0
    int m_nVariant1 = 0;                // group 1A variant, C bits 14-12
    int m_nSegment2 = 0;                // group 2 text segment address, B bits 3-0
    int m_nSegment10 = 0;               // group 10 segment address, B bit 0
    int m_nVariant14 = 0;               // group 14 variant, B bits 3-0
    int m_nExtendedCountryCode = 0xE0;  // set only in the group-1 variant-0 record
    std::string_view m_strCountry;      // for the PI country code and this record's ECC

    // Characters kept in the record for the rebuilt texts: PS (group 0), radio text of 2A and
    // 2B (group 2) and PS(ON) (group 14A variants 0-3).
    std::array<char, 2> m_chPS;
    std::array<char, 4> m_chText2A;
    std::array<char, 2> m_chText2B;
    std::array<char, 2> m_chPSON;

    void BlankCharacters();
};

}  // namespace tavik

#include "rds/RDSGroup.h"

#include "rds/RDSCodeTables.h"

namespace tavik {

CRDSGroup::CRDSGroup() {
    BlankCharacters();
    m_strCountry = CRDSCodeTables::GetCountryName(m_nCountryCode, m_nExtendedCountryCode);
}

void CRDSGroup::SetBlocks(const std::array<std::uint16_t, 4>& blocks) {
    m_wBlocks = blocks;
    m_wPI = blocks[0];
    m_nCountryCode = (blocks[0] >> 12) & 0x0F;
    m_nAreaCoverage = (blocks[0] >> 8) & 0x0F;
    m_nGroupType = (blocks[1] >> 12) & 0x0F;
    m_bVersionB = (blocks[1] >> 11) & 1;
    m_bTP = (blocks[1] >> 10) & 1;
    m_nPTY = (blocks[1] >> 5) & 0x1F;
    m_nSegment0 = blocks[1] & 0x03;
    m_nVariant1 = m_bVersionB ? 0 : (blocks[2] >> 12) & 0x07;
    m_nSegment2 = blocks[1] & 0x0F;
    m_nSegment10 = blocks[1] & 0x01;
    m_nVariant14 = blocks[1] & 0x0F;
    m_strCountry = CRDSCodeTables::GetCountryName(m_nCountryCode, m_nExtendedCountryCode);
}

void CRDSGroup::SetExtendedCountryCode(int code) {
    m_nExtendedCountryCode = code & 0xFF;
    m_strCountry = CRDSCodeTables::GetCountryName(m_nCountryCode, m_nExtendedCountryCode);
}

void CRDSGroup::BlankCharacters() {
    m_chPS.fill(' ');
    m_chText2A.fill(' ');
    m_chText2B.fill(' ');
    m_chPSON.fill(' ');
}

}  // namespace tavik

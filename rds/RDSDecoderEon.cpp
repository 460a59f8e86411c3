#include "rds/RDSCodeTables.h"
#include "rds/RDSDecoder.h"

namespace tavik {

namespace {

// The other network's country is always looked up with extended country code E0.
constexpr int kEonExtendedCountryCode = 0xE0;

}  // namespace

void CRDSDecoder::DecodeGroup14A(const CRDSGroup& current) {
    const int variant = current.m_nVariant14;
    CRDSGroup& slot = m_group14A[variant];
    slot.SetBlocks(current.m_wBlocks);
    if (variant <= 3) {
        slot.m_chPSON = {static_cast<char>(current.C() >> 8),
                         static_cast<char>(current.C() & 0xFF)};
    }

    const std::uint16_t piOn = current.D();
    if (piOn != m_wEonPI) {
        ChangeOtherNetwork(piOn);
    }
    m_data.m_strEonAreaCoverage = CRDSCodeTables::GetAreaCoverageText((piOn >> 8) & 0x0F);
    m_data.m_strEonCountry =
        CRDSCodeTables::GetCountryName((piOn >> 12) & 0x0F, kEonExtendedCountryCode);
    m_data.m_strEonTPIndicator = ((current.B() >> 4) & 1) ? "TP" : "  ";
    if (variant == 4) {
        m_eonAFList.AddPair(m_data.m_strEonAF, current.C());
    } else if (variant == 13) {
        m_data.m_strEonTAIndicator = (current.C() & 1) ? "TA" : "  ";
        m_data.m_strEonPTY = CRDSCodeTables::GetPTYName((current.C() >> 11) & 0x1F);
    }
    m_wEonPI = piOn;
    FormatPI(piOn, m_data.m_strEonPI);

    // PS(ON) counts only when variants 0, 1, 2, 3 arrive in this order without a gap.
    if (variant <= 3) {
        m_nEonSequence = (variant == m_nEonSequence) ? m_nEonSequence + 1 : 0;
        if (m_nEonSequence == 4) {
            for (int v = 0; v < 4; ++v) {
                m_chEonPS[2 * v] = m_group14A[v].m_chPSON[0];
                m_chEonPS[2 * v + 1] = m_group14A[v].m_chPSON[1];
            }
        }
    }
}

void CRDSDecoder::ChangeOtherNetwork(std::uint16_t piOn) {
    m_nEonSequence = 0;
    m_nEonMemoryIndex = (m_nEonMemoryIndex + 1) % static_cast<int>(m_eonMemory.size());
    CEonMemory& saved = m_eonMemory[m_nEonMemoryIndex];
    saved.m_wPI = m_wEonPI;
    saved.m_chPS = m_chEonPS;
    saved.m_afList = m_eonAFList;
    saved.m_strAF = m_data.m_strEonAF;
    saved.m_strPTY = m_data.m_strEonPTY;
    saved.m_strCountry = m_data.m_strEonCountry;
    saved.m_strAreaCoverage = m_data.m_strEonAreaCoverage;
    saved.m_strTAIndicator = m_data.m_strEonTAIndicator;
    saved.m_strPS = m_data.m_strEonPS;

    ClearEonData();

    // A network heard before gets its data back; of two slots with its PI the later one wins.
    for (const CEonMemory& memory : m_eonMemory) {
        if (memory.m_wPI != piOn) {
            continue;
        }
        m_wEonPI = memory.m_wPI;
        m_chEonPS = memory.m_chPS;
        m_eonAFList = memory.m_afList;
        m_data.m_strEonAF = memory.m_strAF;
        m_data.m_strEonPTY = memory.m_strPTY;
        m_data.m_strEonCountry = memory.m_strCountry;
        m_data.m_strEonAreaCoverage = memory.m_strAreaCoverage;
        m_data.m_strEonTAIndicator = memory.m_strTAIndicator;
        m_data.m_strEonPS = memory.m_strPS;
    }
}

void CRDSDecoder::ClearEonData() {
    m_data.m_strEonAF.clear();
    m_data.m_strEonAreaCoverage.clear();
    m_data.m_strEonCountry.clear();
    m_data.m_strEonPS.clear();
    m_data.m_strEonPTY.clear();
    m_data.m_strEonPI.clear();
    m_data.m_strEonTAIndicator.clear();
    m_data.m_strEonTPIndicator.clear();
    m_eonAFList.Clear();
    // The name of the previous network must not show under the new PI until the new
    // network's PS has been received.
    m_chEonPS.fill(' ');
}

}  // namespace tavik

#include "document/SetupFile.h"

#include <initializer_list>

namespace tavik {

void StoreSetup(CArchive& ar, const CProtocolHeader& header, const CAlarmMap& alarms) {
    ar.WriteUInt16(kSetupSchema);
    alarms.Store(ar);
    for (const std::string& text : header.m_strings) {
        ar.WriteString(text);
    }
    ar.WriteFloat(header.m_fFrequency);
    ar.WriteInt32(header.m_nAntenna);
    ar.WriteUInt8(static_cast<std::uint8_t>(header.m_nWindowFunction));
    ar.WriteFloat(header.m_fDeviationLimit);
    ar.WriteInt32(header.m_bLimitTriangle);
    ar.WriteInt32(header.m_bFilter);
}

void LoadSetup(CArchive& ar, CProtocolHeader& header, CAlarmMap& alarms) {
    using H = CProtocolHeader;
    const std::uint16_t schema = ar.ReadUInt16();
    alarms.Load(ar);
    if (schema == kSetupSchema) {
        for (std::string& text : header.m_strings) {
            text = ar.ReadString();
        }
    } else if (schema == kSetupSchemaWithoutAntennaB) {
        for (int field : {H::OPERATOR, H::ORGANISATION, H::ANTENNA_A_TYPE, H::ANTENNA_A_HEIGHT,
                          H::ANTENNA_A_POLARISATION, H::COMMENT, H::LOCATION}) {
            header.m_strings[field] = ar.ReadString();
        }
        header.m_strings[H::ANTENNA_B_TYPE].clear();
        header.m_strings[H::ANTENNA_B_HEIGHT].clear();
        header.m_strings[H::ANTENNA_B_POLARISATION].clear();
    } else {
        return;  // an unknown layout: the alarms are read, the record stays as it was
    }
    header.m_fFrequency = ar.ReadFloat();
    header.m_nAntenna = ar.ReadInt32();
    header.m_nWindowFunction = ar.ReadUInt8();
    header.m_fDeviationLimit = ar.ReadFloat();
    header.m_bLimitTriangle = ar.ReadInt32();
    if (schema == kSetupSchema) {
        header.m_bFilter = ar.ReadInt32();
    }
}

}  // namespace tavik

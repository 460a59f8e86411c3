#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavik {

// The protocol data and setup of a measurement, stored in the document file.
struct CProtocolHeader {
    enum StringField {
        OPERATOR,
        ORGANISATION,
        ANTENNA_A_TYPE,
        ANTENNA_A_HEIGHT,
        ANTENNA_A_POLARISATION,
        ANTENNA_B_TYPE,
        ANTENNA_B_HEIGHT,
        ANTENNA_B_POLARISATION,
        COMMENT,
        LOCATION,
        STRING_FIELDS_IN_FILE = 10,
    };

    std::array<std::string, STRING_FIELDS_IN_FILE> m_strings;  // fields 0 to 9
    std::string m_strLogFolder;                                // field 10, not in the file
    float m_fFrequency = 106.7f;                               // MHz
    std::int32_t m_nAntenna = 1;
    std::uint32_t m_nWindowFunction = 0;  // stored as one byte
    float m_fDeviationLimit = 75.0f;      // kHz
    std::int32_t m_bLimitTriangle = 0;
    std::int32_t m_bFilter = 0;
    // The stereo decoder's settings, stored behind their own marker after the record.
    std::int32_t m_nDeemphasis = 50;      // us: 50 or 75
    float m_fSilenceDb = -40.0f;          // dB of full modulation, above -90 and below 0
    std::int32_t m_nSilenceSeconds = 10;  // 1 to 3600
};

}  // namespace tavik

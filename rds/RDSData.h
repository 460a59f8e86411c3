#pragma once

#include <string>

namespace tavik {

// The decoded RDS record: ready-made texts for the RDS view. The decoder owns the live record;
// the worker hands out immutable copies of it. Fields in the record's order.
class CRDSData {
public:
    CRDSData();
    bool operator==(const CRDSData&) const = default;

    std::string m_strAF;            // alternative frequencies of the tuned station
    std::string m_strAreaCoverage;  // area coverage text for the PI
    std::string m_strCountry;       // country for the PI and the extended country code
    std::string m_strDate;          // group 4A date, "5. 12. 2003 "
    std::string m_strLanguage;      // group 1A variant 3
    std::string m_strMusicSpeech;   // "Music" or "Moderation"
    std::string m_strPS;            // 8 characters, or "No RDS"
    std::string m_strPTY;
    std::string m_strPTYN;              // 8 characters
    std::string m_strRadioText;         // 64 characters, or the clear marker after a reset
    std::string m_strLastRadioText;     // last completed radio text, 64 characters
    bool m_bRadioTextComplete = false;  // set once a radio text was completed
    std::string m_strPIN;               // programme item number "day.  hour:minute"
    std::string m_strTAIndicator;       // "TA" or two blanks
    std::string m_strTAText;
    std::string m_strTime;         // local time "hh:mm"
    std::string m_strTPIndicator;  // "TP" or two blanks
    std::string m_strTPText;
    std::string m_strPI;  // PI in hexadecimal
    std::string m_strEonAF;
    std::string m_strEonAreaCoverage;
    std::string m_strEonCountry;
    std::string m_strEonPS;
    std::string m_strEonPTY;
    std::string m_strEonPI;
    std::string m_strEonTAIndicator;
    std::string m_strEonTPIndicator;
};

// A PI as the RDS view shows it (hexadecimal without leading zeros, "123") in its four-digit
// form ("0123") for logs, JSON and metrics; empty stays empty.
std::string FourDigitPI(const std::string& pi);

}  // namespace tavik

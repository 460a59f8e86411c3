#pragma once

#include <string_view>

namespace tavik {

// The fixed texts into which RDS codes are turned. Every lookup returns a text and never fails;
// codes outside a table give the stated fallback ("-None-", or an empty name for a missing
// string resource).
class CRDSCodeTables {
public:
    // Programme type name for a PTY code 0-31; any other value gives "-None-".
    static std::string_view GetPTYName(int code);
    // Area coverage text for PI bits 11-8.
    static std::string_view GetAreaCoverageText(int code);
    // The application's RDS string resources: language names 30000-30049 and country names
    // 40401-40479. Any other number has no resource and gives an empty text.
    static std::string_view LoadString(int resourceId);
    // Language name of group 1A variant 3: resource 30000 + code.
    static std::string_view GetLanguageName(int code);
    // Country name for the PI country code (PI bits 15-12) and the extended country code
    // (high nibble h, low nibble l): resource 40000 + 100 * (h - 10) + 16 * l + cc.
    static std::string_view GetCountryName(int countryCode, int extendedCountryCode);
    static int CountryResourceId(int countryCode, int extendedCountryCode);
};

}  // namespace tavik

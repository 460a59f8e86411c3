#include "rds/RDSCodeTables.h"

#include <array>

namespace tavik {

namespace {

constexpr std::array<std::string_view, 32> kPTYNames = {
    "None",          "News",           "Current Affairs", "Information",     "Sport",
    "Education",     "Drama",          "Culture",         "Science",         "Varied Speech",
    "Pop Music",     "Rock Music",     "Easy Listening",  "Light Classics",  "Serious Classics",
    "Other Music",   "Weather",        "Finance",         "Children",        "Social",
    "Religion",      "Phone In",       "Travel",          "Leisure & Hobby", "Jazz Music",
    "Country Music", "National Music", "Oldies Music",    "Folk Music",      "Documentary",
    "Alarm Test",    "Alarm - Alarm!",
};

constexpr std::array<std::string_view, 4> kAreaCoverage = {
    "Local programme",
    "International programme",
    "National programme",
    "Supra-regional programme",
};

// Resources 30000-30049: 30000 "Unknown", 30001-30043 the names, 30044-30049 a single blank.
constexpr int kFirstLanguageId = 30000;
constexpr std::array<std::string_view, 50> kLanguages = {
    "Unknown",    "Albanian",
    "Breton",     "Catalan",
    "Croatian",   "Welsh",
    "Czech",      "Danish",
    "German",     "English",
    "Spanish",    "Esperanto",
    "Estonian",   "Basque",
    "Faroese",    "French",
    "Frisian",    "Irish",
    "Gealic",     "Galician",
    "Icelandic",  "Italian",
    "Lappish",    "Latin",
    "Latvian",    "Luxembourgian",
    "Lithuanian", "Hungarian",
    "Maltese",    "Dutch",
    "Norwegian",  "Occitan",
    "Polish",     "Portuguese",
    "Romanian",   "Romansh",
    "Serbian",    "Slovak",
    "Slovene",    "Finnish",
    "Swedish",    "Turkish",
    "Flemish",    "Walloon",
    " ",          " ",
    " ",          " ",
    " ",          " ",
};

// Resources 40401-40479: extended country codes E0-E4 by row, PI country code 0-F by column.
// E0 with country code 0 (resource 40400) does not exist; " " entries hold a single blank.
constexpr int kFirstCountryRowId = 40400;
constexpr std::array<std::array<std::string_view, 16>, 5> kCountries = {{
    {"", "Germany", "Algeria", "Andorra", "Israel", "Italy", "Belgium", "Russian Federation",
     "Palestine", "Albania", "Austria", "Hungary", "Malta", "Germany", " ", "Egypt"},
    {" ", "Greece", "Cyprus", "San Marino", "Switzerland", "Jordan", "Finland", "Luxembourg",
     "Bulgaria", "Denmark", "Gibraltar", "Iraq", "United Kingdom", "Libya", "Romania", "France"},
    {" ", "Morocco", "Czech Republic", "Poland", "Vatican City State", "Slovakia",
     "Syrian Arab Republic", "Tunisia", " ", "Liechtenstein", "Iceland", "Monaco", "Lithuania",
     "Yugoslavia", "Spain", "Norway"},
    {" ", " ", "Ireland", "Turkey", "Macedonia", " ", " ", " ", "Netherlands", "Latvia", "Lebanon",
     " ", "Croatia", " ", "Sweden", "Belarus"},
    {" ", "Moldova", "Estonia", " ", " ", " ", "Ukraine", " ", "Portugal", "Slovenia", " ", " ",
     " ", " ", " ", "Bosnia Herzegovina"},
}};
constexpr int kFirstCountryId = 40401;
constexpr int kLastCountryId = 40479;

}  // namespace

std::string_view CRDSCodeTables::GetPTYName(int code) {
    if (code < 0 || code >= static_cast<int>(kPTYNames.size())) {
        return "-None-";
    }
    return kPTYNames[code];
}

std::string_view CRDSCodeTables::GetAreaCoverageText(int code) {
    if (code >= 0 && code < static_cast<int>(kAreaCoverage.size())) {
        return kAreaCoverage[code];
    }
    return "Regional programme";
}

std::string_view CRDSCodeTables::LoadString(int resourceId) {
    if (resourceId >= kFirstLanguageId &&
        resourceId < kFirstLanguageId + static_cast<int>(kLanguages.size())) {
        return kLanguages[resourceId - kFirstLanguageId];
    }
    if (resourceId >= kFirstCountryId && resourceId <= kLastCountryId) {
        const int index = resourceId - kFirstCountryRowId;
        return kCountries[index / 16][index % 16];
    }
    return {};
}

std::string_view CRDSCodeTables::GetLanguageName(int code) {
    return LoadString(kFirstLanguageId + code);
}

int CRDSCodeTables::CountryResourceId(int countryCode, int extendedCountryCode) {
    const int high = (extendedCountryCode >> 4) & 0x0F;
    const int low = extendedCountryCode & 0x0F;
    return 40000 + 100 * (high - 10) + 16 * low + countryCode;
}

std::string_view CRDSCodeTables::GetCountryName(int countryCode, int extendedCountryCode) {
    return LoadString(CountryResourceId(countryCode, extendedCountryCode));
}

}  // namespace tavik

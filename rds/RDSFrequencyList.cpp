#include "rds/RDSFrequencyList.h"

#include <cmath>
#include <cstdio>

namespace tavik {

namespace {

constexpr int kFiller = 205;
constexpr int kFirstCountCode = 224;
constexpr int kLastCountCode = 249;
constexpr int kLfMfFollows = 250;
constexpr int kLfMfCodes = 136;

double FmFrequency(int code) {
    return 87.5 + 0.1 * code;
}

// kHz; code 0 stands for no frequency and gives 0.
double LfMfFrequency(int code) {
    if (code >= 1 && code <= 15) {
        return 144.0 + 9.0 * code;
    }
    if (code >= 16 && code <= 135) {
        return 387.0 + 9.0 * code;
    }
    return 0.0;
}

}  // namespace

void CRDSFrequencyList::AddPair(std::string& text, std::uint16_t word) {
    const int c1 = word >> 8;
    const int c2 = word & 0xFF;
    if (c1 >= kFirstCountCode && c1 <= kLastCountCode) {
        if (c2 < kFiller) {
            AddFrequency(text, FmFrequency(c2), false);
        }
    } else if (c2 == kFiller && c1 < kFiller) {
        AddFrequency(text, FmFrequency(c1), false);
    } else if (c1 == kLfMfFollows && c2 < kLfMfCodes) {
        AddFrequency(text, LfMfFrequency(c2), true);
    } else if (c1 < kFiller && c2 < kFiller) {
        AddFrequency(text, FmFrequency(c1), false);
        AddFrequency(text, FmFrequency(c2), false);
    }
}

void CRDSFrequencyList::AddFrequency(std::string& text, double value, bool kiloHertz) {
    if (value == 0.0) {
        return;
    }
    if (m_nCount >= kMaxEntries) {
        m_nCount = 0;
    }
    for (int i = 0; i < m_nCount; ++i) {
        if (m_dFrequencies[i] == value) {
            return;
        }
    }
    m_dFrequencies[m_nCount++] = value;
    text += FormatEntry(value, kiloHertz);
}

std::string CRDSFrequencyList::FormatEntry(double value, bool kiloHertz) {
    // Rounded to the nearest tenth: 87.5 + 0.1 * code is not exact in binary, and truncating
    // it could print the tenth below.
    const long long tenths = std::llround(value * 10.0);
    char entry[32];
    std::snprintf(entry, sizeof entry, "%3lld.%lld%s,  ", tenths / 10, tenths % 10,
                  kiloHertz ? "kHz" : "MHz");
    return entry;
}

}  // namespace tavik

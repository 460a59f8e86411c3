#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tavik {

// A list of alternative frequencies (at most 100) and the text that shows them. The text only
// grows: it keeps every frequency ever appended until the owner empties it.
class CRDSFrequencyList {
public:
    static constexpr int kMaxEntries = 100;

    void Clear() { m_nCount = 0; }
    int GetCount() const { return m_nCount; }
    double GetAt(int index) const { return m_dFrequencies[index]; }

    // Adds the frequencies of one method-A pair (c1 = high byte, c2 = low byte of `word`):
    // 0-204 are 87.5 + 0.1 * code MHz, 205 a filler, 224-249 a count without frequency, and
    // 250 marks the other code as an LF (1-15) or MF (16-135) frequency.
    void AddPair(std::string& text, std::uint16_t word);

    // Appends a value not yet listed: "%3d.%d" with the unit and ",  ". Zero is never added;
    // a full list is emptied first, the text is not shortened.
    void AddFrequency(std::string& text, double value, bool kiloHertz);

    // The printed form of one entry, e.g. " 87.6MHz,  " or "531.0kHz,  ".
    static std::string FormatEntry(double value, bool kiloHertz);

private:
    std::array<double, kMaxEntries> m_dFrequencies{};
    int m_nCount = 0;
};

}  // namespace tavik

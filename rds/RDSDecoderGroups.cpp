#include <algorithm>
#include <cstdio>

#include "rds/RDSClockTime.h"
#include "rds/RDSCodeTables.h"
#include "rds/RDSDecoder.h"

namespace tavik {

namespace {

// Counters that only need to exceed small thresholds stop here instead of overflowing after
// months of reception.
constexpr int kCounterLimit = 1 << 20;

// IEC 62106: PI confirmed by two groups (two in a row carrying it).
constexpr int kPIConfirmGroups = 2;

// IEC 62106: a radio text ends with a carriage return, else it fills all 16 segments
// (64 characters in groups 2A, 32 in groups 2B).
constexpr char kRadioTextEnd = 0x0D;
constexpr int kRadioTextSegments = 16;

std::array<char, 2> Characters(std::uint16_t word) {
    return {static_cast<char>(word >> 8), static_cast<char>(word & 0xFF)};
}

}  // namespace

void CRDSDecoder::FormatPI(std::uint16_t pi, std::string& text) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%X%X", static_cast<unsigned>(pi >> 4),
                  static_cast<unsigned>(pi & 0x0F));
    text = buffer;
}

void CRDSDecoder::DecodeGroup() {
    const CRDSGroup& current = m_current;
    ConfirmPI(current);
    SetStationTexts(current);
    switch (current.m_nGroupType) {
        case 0:
            DecodeGroup0(current);
            break;
        case 1:
            DecodeGroup1(current);
            break;
        case 2:
            DecodeGroup2(current);
            break;
        case 4:
            if (!current.m_bVersionB) {
                DecodeGroup4A(current);
            }
            break;
        case 10:
            if (!current.m_bVersionB) {
                DecodeGroup10A(current);
            }
            break;
        case 14:
            if (!current.m_bVersionB) {
                DecodeGroup14A(current);
            }
            break;
        default:
            break;
    }
    RebuildTexts();
}

void CRDSDecoder::ConfirmPI(const CRDSGroup& group) {
    if (m_nPIRun > 0 && group.m_wPI == m_wRunPI) {
        m_nPIRun = std::min(m_nPIRun + 1, kCounterLimit);
    } else {
        m_wRunPI = group.m_wPI;
        m_nPIRun = 1;
    }
    // A single group may carry a wrong PI that passed the check: a PI is shown, and another
    // one makes a new station, only once confirmed.
    if (m_nPIRun < kPIConfirmGroups) {
        return;
    }
    if (m_wRunPI != m_wStoredPI) {
        const int run = m_nPIRun;
        ClearAll();
        m_wStoredPI = m_wRunPI;
        m_nPIRun = run;
    }
    // Block A zero carries no PI: the text stays as it was.
    if (m_wStoredPI != 0) {
        m_data.m_strAreaCoverage = CRDSCodeTables::GetAreaCoverageText((m_wStoredPI >> 8) & 0x0F);
        FormatPI(m_wStoredPI, m_data.m_strPI);
    }
}

void CRDSDecoder::SetStationTexts(const CRDSGroup& group) {
    if (group.B() != 0) {
        if (group.m_bTP) {
            m_data.m_strTPText = "this programme carries traffic announcements";
            m_data.m_strTPIndicator = "TP";
        } else if (!m_bEonTA) {
            m_data.m_strTPText = "this programme does not carry traffic announcements";
            m_data.m_strTPIndicator = "  ";
        }
        m_data.m_strPTY = CRDSCodeTables::GetPTYName(group.m_nPTY);
    }
}

void CRDSDecoder::DecodeGroup0(const CRDSGroup& current) {
    const int segment = current.m_nSegment0;
    CRDSGroup& slot = m_group0[segment];
    slot.SetBlocks(current.m_wBlocks);
    slot.m_chPS = Characters(current.D());
    if (slot.m_chPS == m_chPSStore[segment]) {
        m_nPSRepeats[segment] = std::min(m_nPSRepeats[segment] + 1, kCounterLimit);
    } else {
        m_nPSRepeats[segment] = 0;
    }
    m_chPSStore[segment] = slot.m_chPS;
    if (std::all_of(m_nPSRepeats.begin(), m_nPSRepeats.end(), [](int n) { return n >= 2; })) {
        m_bPSComplete = true;
    }

    if (!current.m_bVersionB) {
        m_afList.AddPair(m_data.m_strAF, current.C());
    }
    if ((current.B() >> 4) & 1) {
        if (!current.m_bTP) {
            m_data.m_strTPText = "This Programme carries EON information";
            m_data.m_strTAText = "about other programs containing traffic announcements";
            m_bEonTA = true;
        } else {
            m_data.m_strTAText = "traffic announcements are being broadcast";
        }
        m_data.m_strTAIndicator = "TA";
    } else {
        m_data.m_strTAText = "no traffic announcements at the moment";
        m_data.m_strTAIndicator = "  ";
    }
    m_data.m_strMusicSpeech = ((current.B() >> 3) & 1) ? "Music" : "Moderation";
}

void CRDSDecoder::DecodeGroup1(const CRDSGroup& current) {
    CRDSGroup& slot = m_group1[current.m_bVersionB ? 8 : current.m_nVariant1];
    slot.SetBlocks(current.m_wBlocks);

    const int d = current.D();
    char pin[32];
    std::snprintf(pin, sizeof pin, "%d.  %d:%d", d >> 11, (d >> 6) & 0x1F, d & 0x3F);
    m_data.m_strPIN = pin;

    if (current.m_bVersionB) {
        return;
    }
    if (current.m_nVariant1 == 0) {
        slot.SetExtendedCountryCode(current.C() & 0xFF);
        // The country is named after the PI's country code: only a confirmed PI names it.
        if (current.m_wPI == m_wStoredPI) {
            m_data.m_strCountry = slot.m_strCountry;
        }
    } else if (current.m_nVariant1 == 3) {
        m_data.m_strLanguage = CRDSCodeTables::GetLanguageName(current.C() & 0xFF);
    }
}

void CRDSDecoder::DecodeGroup2(const CRDSGroup& current) {
    const int segment = current.m_nSegment2;
    CRDSGroup& slot = m_group2[segment];
    slot.SetBlocks(current.m_wBlocks);
    const int textAB = (current.B() >> 4) & 1;
    if (textAB != m_nTextAB || current.m_bVersionB != m_bTextVersionB) {
        // The station starts a new text.
        StartRadioText();
        m_nTextAB = textAB;
        m_bTextVersionB = current.m_bVersionB;
    }
    const auto c = Characters(current.C());
    const auto d = Characters(current.D());
    const std::array<char, 4> cells{c[0], c[1], d[0], d[1]};
    const int width = current.m_bVersionB ? 2 : 4;
    const char* characters = current.m_bVersionB ? d.data() : cells.data();
    char* target = &m_chRadioText[static_cast<std::size_t>(width * segment)];
    // Other characters in a segment already received: the station changed its text without
    // toggling the flag, and the other segments belong to the old one.
    if (m_bTextSegmentSeen[segment] && !std::equal(characters, characters + width, target)) {
        m_bTextSegmentSeen.fill(false);
        m_bTextStartSeen = false;
    }
    std::copy(characters, characters + width, target);
    // A text counts from its first segment on: the segments before it (a run that joined the
    // station in the middle of a text) may belong to a text gone by, and are taken again.
    m_bTextStartSeen = m_bTextStartSeen || segment == 0;
    m_bTextSegmentSeen[segment] = m_bTextStartSeen;
    if (!current.m_bVersionB) {
        slot.m_chText2A = cells;
    } else {
        slot.m_chText2B = d;
    }
    PublishCompleteRadioText();
}

void CRDSDecoder::StartRadioText() {
    m_chRadioText.fill(' ');
    m_bTextSegmentSeen.fill(false);
    m_bTextStartSeen = false;
    for (CRDSGroup& slot : m_group2) {
        slot.m_chText2A.fill(' ');
    }
}

void CRDSDecoder::PublishCompleteRadioText() {
    const int width = m_bTextVersionB ? 2 : 4;
    const auto begin = m_chRadioText.begin();
    const auto full = begin + width * kRadioTextSegments;
    const auto end = std::find(begin, full, kRadioTextEnd);
    const auto length = static_cast<int>(end == full ? end - begin : end - begin + 1);
    // Complete once every segment up to its end arrived since the text's first segment: a
    // text joined in the middle waits for the next round.
    for (int s = 0; s * width < length; ++s) {
        if (!m_bTextSegmentSeen[s]) {
            return;
        }
    }
    m_data.m_strLastRadioText.assign(begin, begin + length);
    m_data.m_strLastRadioText.resize(m_chRadioText.size(), ' ');
    m_data.m_bRadioTextComplete = true;
}

void CRDSDecoder::DecodeGroup4A(const CRDSGroup& current) {
    m_group4A.SetBlocks(current.m_wBlocks);
    CRDSClockTime::Decode(current.B(), current.C(), current.D(), m_data.m_strDate,
                          m_data.m_strTime);
}

void CRDSDecoder::DecodeGroup10A(const CRDSGroup& current) {
    const int segment = current.m_nSegment10;
    m_group10A[segment].SetBlocks(current.m_wBlocks);
    const int flag = (current.B() >> 4) & 1;
    // A reset empties the name while the flag memory stays: the eight cells are restored
    // before the segment is written.
    if (flag != m_nPTYNAB || m_data.m_strPTYN.size() != 8) {
        m_data.m_strPTYN.assign(8, ' ');
    }
    m_nPTYNAB = flag;
    const auto c = Characters(current.C());
    const auto d = Characters(current.D());
    m_data.m_strPTYN[4 * segment] = c[0];
    m_data.m_strPTYN[4 * segment + 1] = c[1];
    m_data.m_strPTYN[4 * segment + 2] = d[0];
    m_data.m_strPTYN[4 * segment + 3] = d[1];
}

void CRDSDecoder::RebuildTexts() {
    m_data.m_strEonPS.assign(m_chEonPS.begin(), m_chEonPS.end());
    m_data.m_strRadioText.resize(64);
    for (int i = 0; i < 16; ++i) {
        std::copy(m_group2[i].m_chText2A.begin(), m_group2[i].m_chText2A.end(),
                  &m_data.m_strRadioText[4 * i]);
    }
    if (m_bPSComplete) {
        m_data.m_strPS.resize(8);
        for (int i = 0; i < 4; ++i) {
            m_data.m_strPS[2 * i] = m_group0[i].m_chPS[0];
            m_data.m_strPS[2 * i + 1] = m_group0[i].m_chPS[1];
        }
        m_bPSComplete = false;
    }
}

void CRDSDecoder::ClearAll() {
    for (std::string* text : {&m_data.m_strAF,
                              &m_data.m_strAreaCoverage,
                              &m_data.m_strCountry,
                              &m_data.m_strDate,
                              &m_data.m_strLanguage,
                              &m_data.m_strMusicSpeech,
                              &m_data.m_strPS,
                              &m_data.m_strPTY,
                              &m_data.m_strPTYN,
                              &m_data.m_strLastRadioText,
                              &m_data.m_strPIN,
                              &m_data.m_strTAIndicator,
                              &m_data.m_strTAText,
                              &m_data.m_strTime,
                              &m_data.m_strTPIndicator,
                              &m_data.m_strTPText,
                              &m_data.m_strPI,
                              &m_data.m_strEonAF,
                              &m_data.m_strEonAreaCoverage,
                              &m_data.m_strEonCountry,
                              &m_data.m_strEonPS,
                              &m_data.m_strEonPTY,
                              &m_data.m_strEonPI,
                              &m_data.m_strEonTAIndicator,
                              &m_data.m_strEonTPIndicator}) {
        text->clear();
    }
    m_data.m_strRadioText = kClearRadioText;
    for (auto& slot : m_group0) {
        slot.m_chPS.fill(' ');
    }
    for (auto& slot : m_group2) {
        slot.m_chText2A.fill(' ');
        slot.m_chText2B.fill(' ');
    }
    for (int v = 0; v < 4; ++v) {
        m_group14A[v].m_chPSON.fill(' ');
    }
    m_chEonPS.fill(' ');
    m_afList.Clear();
    m_eonAFList.Clear();
    m_nPIRun = 0;
    m_bTextSegmentSeen.fill(false);
    m_bTextStartSeen = false;
}

}  // namespace tavik

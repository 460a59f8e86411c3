#include "tools/RdsGroupBuilder.h"

#include <cmath>

namespace tavik {

namespace {

std::string Padded(const std::string& text, std::size_t length) {
    std::string padded = text.substr(0, length);
    padded.resize(length, ' ');
    return padded;
}

}  // namespace

std::uint16_t CRdsGroupBuilder::BlockB(int groupType, bool bTP, int pty, std::uint16_t low5) const {
    // Group type (4 bits), version A (0), TP, PTY (5 bits), then 5 type-specific bits.
    return static_cast<std::uint16_t>((groupType & 0xF) << 12 | (bTP ? 1 : 0) << 10 |
                                      (pty & 0x1F) << 5 | (low5 & 0x1F));
}

std::uint16_t CRdsGroupBuilder::Chars(const std::string& text, std::size_t index) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(text[index]) << 8 |
                                      static_cast<std::uint8_t>(text[index + 1]));
}

CRdsGroup CRdsGroupBuilder::Group0A(int segment, std::uint16_t afPair) const {
    // Decoder identification, one bit per segment: d3 first, d0 (stereo) in segment 3.
    const bool bStereo = !m_options.bMono;
    const bool bDI = segment == 3 ? bStereo : false;
    const auto low5 =
        static_cast<std::uint16_t>((m_options.bTA ? 1 : 0) << 4 | (m_options.bMusic ? 1 : 0) << 3 |
                                   (bDI ? 1 : 0) << 2 | (segment & 3));
    const std::string ps = Padded(m_options.strPS, 8);
    CRdsGroup group;
    group.blocks = {m_options.nPI, BlockB(0, m_options.bTP, m_options.nPTY, low5), afPair,
                    Chars(ps, static_cast<std::size_t>(2 * (segment & 3)))};
    return group;
}

CRdsGroup CRdsGroupBuilder::Group1A(int variant, std::uint16_t pin) const {
    // Block C: linkage actuator 0, variant in bits 14-12, its data in bits 11-0.
    std::uint16_t data = 0;
    if (variant == 0) {
        data = m_options.nECC;  // paging bits 11-8 stay 0
    } else if (variant == 3) {
        data = static_cast<std::uint16_t>(m_options.nLanguage & 0xFFF);
    }
    CRdsGroup group;
    group.blocks = {m_options.nPI, BlockB(1, m_options.bTP, m_options.nPTY, 0),
                    static_cast<std::uint16_t>((variant & 7) << 12 | data), pin};
    return group;
}

CRdsGroup CRdsGroupBuilder::Group2A(const std::string& text64, int segment, bool bFlagB) const {
    const auto s = static_cast<std::size_t>(segment & 0xF);
    CRdsGroup group;
    group.blocks = {m_options.nPI,
                    BlockB(2, m_options.bTP, m_options.nPTY,
                           static_cast<std::uint16_t>((bFlagB ? 1 : 0) << 4 | s)),
                    Chars(text64, 4 * s), Chars(text64, 4 * s + 2)};
    return group;
}

CRdsGroup CRdsGroupBuilder::Group4A(std::int64_t utcSeconds, int localOffset) const {
    const std::uint32_t mjd = ModifiedJulianDay(utcSeconds);
    const auto secondOfDay = static_cast<std::uint32_t>(((utcSeconds % 86400) + 86400) % 86400);
    const std::uint32_t hour = secondOfDay / 3600;
    const std::uint32_t minute = secondOfDay / 60 % 60;
    const std::uint32_t offset = static_cast<std::uint32_t>(std::abs(localOffset)) & 0x1F;
    CRdsGroup group;
    group.blocks = {
        m_options.nPI,
        BlockB(4, m_options.bTP, m_options.nPTY, static_cast<std::uint16_t>(mjd >> 15 & 3)),
        static_cast<std::uint16_t>((mjd & 0x7FFF) << 1 | (hour >> 4 & 1)),
        static_cast<std::uint16_t>((hour & 0xF) << 12 | minute << 6 |
                                   (localOffset < 0 ? 1u : 0u) << 5 | offset)};
    return group;
}

CRdsGroup CRdsGroupBuilder::Group10A(int segment, bool bFlagB) const {
    const std::string ptyn = Padded(m_options.strPTYN, 8);
    const auto s = static_cast<std::size_t>(segment & 1);
    CRdsGroup group;
    group.blocks = {m_options.nPI,
                    BlockB(10, m_options.bTP, m_options.nPTY,
                           static_cast<std::uint16_t>((bFlagB ? 1 : 0) << 4 | s)),
                    Chars(ptyn, 4 * s), Chars(ptyn, 4 * s + 2)};
    return group;
}

CRdsGroup CRdsGroupBuilder::Group14A(int variant, std::uint16_t afPair) const {
    std::uint16_t info = 0;
    if (variant >= 0 && variant <= 3) {
        info = Chars(Padded(m_options.strEonPS, 8), static_cast<std::size_t>(2 * variant));
    } else if (variant == 4) {
        info = afPair;
    } else if (variant == 13) {
        info = static_cast<std::uint16_t>((m_options.nEonPTY & 0x1F) << 11 |
                                          (m_options.bEonTA ? 1 : 0));
    }
    CRdsGroup group;
    group.blocks = {
        m_options.nPI,
        BlockB(14, m_options.bTP, m_options.nPTY,
               static_cast<std::uint16_t>((m_options.bEonTP ? 1 : 0) << 4 | (variant & 0xF))),
        info, m_options.nEonPI};
    return group;
}

std::uint16_t CRdsGroupBuilder::ProgrammeItemNumber(int day, int hour, int minute) {
    return static_cast<std::uint16_t>((day & 0x1F) << 11 | (hour & 0x1F) << 6 | (minute & 0x3F));
}

std::uint32_t CRdsGroupBuilder::ModifiedJulianDay(std::int64_t utcSeconds) {
    // 1970-01-01 is MJD 40587.
    const std::int64_t days = utcSeconds >= 0 ? utcSeconds / 86400 : (utcSeconds - 86399) / 86400;
    return static_cast<std::uint32_t>(days + 40587);
}

std::uint8_t CRdsGroupBuilder::AfCode(double megahertz) {
    const long code = std::lround((megahertz - 87.5) * 10.0);
    return static_cast<std::uint8_t>(code < 1 ? 1 : (code > 204 ? 204 : code));
}

std::vector<std::uint16_t> CRdsGroupBuilder::AfPairs(const std::vector<double>& megahertz) {
    constexpr std::uint16_t kFiller = 205;
    std::vector<std::uint16_t> pairs;
    const std::size_t count = megahertz.size() > 25 ? 25 : megahertz.size();
    if (count == 0) {
        pairs.push_back(static_cast<std::uint16_t>(224 << 8 | kFiller));
        return pairs;
    }
    pairs.push_back(static_cast<std::uint16_t>((224 + count) << 8 | AfCode(megahertz[0])));
    for (std::size_t i = 1; i < count; i += 2) {
        const std::uint16_t second = i + 1 < count ? AfCode(megahertz[i + 1]) : kFiller;
        pairs.push_back(static_cast<std::uint16_t>(AfCode(megahertz[i]) << 8 | second));
    }
    return pairs;
}

std::string CRdsGroupBuilder::RadioText64(const std::string& text) {
    std::string full = text.substr(0, 64);
    if (full.size() < 64) {
        full.push_back('\r');
    }
    full.resize(64, ' ');
    return full;
}

int CRdsGroupBuilder::RadioTextSegments(const std::string& text) {
    const std::size_t used = text.size() >= 64 ? 64 : text.size() + 1;  // with the CR
    return static_cast<int>((used + 3) / 4);
}

}  // namespace tavik

#include "tools/RdsScheduler.h"

#include <cmath>

#include "tools/Random.h"

namespace tavik {

namespace {

// The 16-group pattern: 0 = 0A, 1 = 1A, 2 = 2A, 10 = 10A, 14 = 14A.
constexpr int kPattern[16] = {0, 2, 0, 2, 0, 1, 0, 2, 0, 14, 0, 2, 0, 10, 0, 2};
constexpr int k14AVariants[] = {0, 1, 2, 3, 4, 13};
constexpr int kTextRepeats = 2;
constexpr double kBitRate = 1187.5;

// Independent random streams per use, so that options of one part do not shift the others.
constexpr std::uint64_t kNoiseStream = 0x524453204E4F4953ull;
constexpr std::uint64_t kErrorStream = 0x5244532045525253ull;
constexpr std::uint64_t kSilenceStream = 0x524453204E4F4E45ull;

}  // namespace

CRdsScheduler::CRdsScheduler(const CGeneratorOptions& options)
    : m_options(options),
      m_builder(options),
      m_afPairs(CRdsGroupBuilder::AfPairs(options.af)),
      m_eonAfPairs(CRdsGroupBuilder::AfPairs(options.eonAF)) {
    m_texts[0] = CRdsGroupBuilder::RadioText64(options.strRadioText1);
    m_texts[1] = CRdsGroupBuilder::RadioText64(options.strRadioText2);
    // The programme item began at the full hour of the start (UTC).
    const std::int64_t start = options.nStartTime;
    // Day of the month by H. Hinnant's civil_from_days.
    const std::int64_t z = start / 86400 + 719468;
    const std::int64_t doe = z - z / 146097 * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int day = static_cast<int>(doy - (153 * ((5 * doy + 2) / 153) + 2) / 5 + 1);
    m_nPIN = CRdsGroupBuilder::ProgrammeItemNumber(day, static_cast<int>(start % 86400 / 3600), 0);
    // A start exactly on a minute sends that minute, as the second group.
    m_nNextMinute = (start + 59) / 60 * 60;
}

CRdsGroup CRdsScheduler::NextGroup(double seconds) {
    const double now = static_cast<double>(m_options.nStartTime) + seconds;
    // Never the stream's first group: a decoder meets a new PI there, and the second group,
    // which confirms it, clears what the first one carried.
    const bool bFirst = m_nGroupsSent++ == 0;
    if (!bFirst && now >= static_cast<double>(m_nNextMinute)) {
        const std::int64_t minute = m_nNextMinute;
        m_nNextMinute += 60;
        return m_builder.Group4A(minute, m_options.nLocalOffset);
    }
    const int type = kPattern[m_nSlot];
    m_nSlot = (m_nSlot + 1) % 16;
    switch (type) {
        case 0: {
            const std::uint16_t pair = m_afPairs[m_nAfIndex];
            m_nAfIndex = (m_nAfIndex + 1) % m_afPairs.size();
            const CRdsGroup group = m_builder.Group0A(m_nPsSegment, pair);
            m_nPsSegment = (m_nPsSegment + 1) % 4;
            return group;
        }
        case 1: {
            const CRdsGroup group = m_builder.Group1A(m_n1AVariant, m_nPIN);
            m_n1AVariant = m_n1AVariant == 0 ? 3 : 0;
            return group;
        }
        case 10: {
            const CRdsGroup group = m_builder.Group10A(m_n10ASegment, false);
            m_n10ASegment ^= 1;
            return group;
        }
        case 14: {
            const int variant = k14AVariants[m_n14AIndex];
            m_n14AIndex = (m_n14AIndex + 1) % 6;
            std::uint16_t pair = 0;
            if (variant == 4) {
                pair = m_eonAfPairs[m_nEonAfIndex];
                m_nEonAfIndex = (m_nEonAfIndex + 1) % m_eonAfPairs.size();
            }
            return m_builder.Group14A(variant, pair);
        }
        default: {
            // Text A/B flag: the first text is sent with A, the second with B.
            const CRdsGroup group =
                m_builder.Group2A(m_texts[m_nText], m_nTextSegment, m_nText == 1);
            const std::string& source =
                m_nText == 0 ? m_options.strRadioText1 : m_options.strRadioText2;
            if (++m_nTextSegment >= CRdsGroupBuilder::RadioTextSegments(source)) {
                m_nTextSegment = 0;
                if (++m_nTextRepeats >= kTextRepeats) {
                    m_nTextRepeats = 0;
                    m_nText ^= 1;
                }
            }
            return group;
        }
    }
}

std::vector<std::uint8_t> CRdsScheduler::TransmittedBits(const CGeneratorOptions& options,
                                                         std::size_t bitCount) {
    std::vector<std::uint8_t> bits;
    bits.reserve(bitCount + CRdsEncoder::kGroupBits);
    CRandom noise(options.nSeed ^ kNoiseStream);
    for (int i = 0; i < options.nNoiseBits && bits.size() < bitCount; ++i) {
        bits.push_back(static_cast<std::uint8_t>(noise.Next() >> 63));
    }
    CRdsScheduler scheduler(options);
    while (bits.size() < bitCount) {
        const double seconds = static_cast<double>(bits.size()) / kBitRate;
        CRdsEncoder::AppendGroup(scheduler.NextGroup(seconds), bits);
    }
    bits.resize(bitCount);
    return bits;
}

std::vector<std::uint8_t> CRdsScheduler::ReceivedBits(const CGeneratorOptions& options,
                                                      std::vector<std::uint8_t> bits) {
    if (options.fRdsDeviation <= 0.0) {
        // No subcarrier on air: the receiver's RDS demodulator delivers noise.
        CRandom noise(options.nSeed ^ kSilenceStream);
        for (std::uint8_t& bit : bits) {
            bit = static_cast<std::uint8_t>(noise.Next() >> 63);
        }
        return bits;
    }
    if (options.fBitErrorRate > 0.0) {
        CRandom errors(options.nSeed ^ kErrorStream);
        for (std::uint8_t& bit : bits) {
            if (errors.Chance(options.fBitErrorRate)) {
                bit ^= 1u;
            }
        }
    }
    return bits;
}

std::vector<std::uint8_t> CRdsScheduler::PackBits(const std::vector<std::uint8_t>& bits) {
    std::vector<std::uint8_t> bytes(bits.size() / 8);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::uint8_t byte = 0;
        for (std::size_t b = 0; b < 8; ++b) {
            byte = static_cast<std::uint8_t>(byte << 1 | (bits[8 * i + b] & 1u));
        }
        bytes[i] = byte;
    }
    return bytes;
}

}  // namespace tavik

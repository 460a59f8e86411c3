#include "rds/RDSDecoder.h"

#include <algorithm>
#include <cstring>

#include "rds/RDSSyndrome.h"

namespace tavik {

CRDSDecoder::CRDSDecoder() {
    for (auto& segment : m_chPSStore) {
        segment.fill(' ');
    }
    m_chRadioText.fill(' ');
    m_chEonPS.fill(' ');
}

void CRDSDecoder::Decode(const std::uint8_t* data, int count) {
    const int startExpected = m_nExpected;
    m_nChunkFailed = 0;
    m_nChunkAccepted = 0;
    m_nChunkGroups = 0;
    m_nChunkAdvanced = 0;
    if (data == nullptr || count < 0) {
        count = 0;
    }
    // The carried bytes make the pieces one continuous stream, so scanning in pieces gives
    // the same blocks as scanning the whole input at once.
    int offset = 0;
    do {
        const int piece = std::min(count - offset, kMaxChunkBytes);
        Scan(data + offset, piece);
        offset += piece;
    } while (offset < count);
    UpdateStatistics(startExpected);
}

std::uint32_t CRDSDecoder::Window(int bitPosition) const {
    // Eight bytes from the one holding the position; the buffer has slack behind the data.
    const std::uint8_t* p = &m_byStream[bitPosition >> 3];
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits = (bits << 8) | p[i];
    }
    const int shift = 64 - CRDSSyndrome::kBlockBits - (bitPosition & 7);
    return static_cast<std::uint32_t>(bits >> shift) & 0x3FFFFFFu;
}

void CRDSDecoder::Scan(const std::uint8_t* data, int count) {
    if (count > 0) {
        std::memcpy(&m_byStream[m_nStreamBytes], data, static_cast<std::size_t>(count));
        m_nStreamBytes += count;
    }
    const int totalBits = m_nStreamBytes * 8;
    int position = m_nBitOffset;
    // A window is examined while at least 27 bits remain; the rest waits for the next chunk.
    while (totalBits - position > CRDSSyndrome::kBlockBits) {
        const std::uint32_t window = Window(position);
        const std::uint16_t syndrome = CRDSSyndrome::Compute(window);
        const int blockPosition = CRDSSyndrome::MatchPosition(syndrome);
        const auto word = static_cast<std::uint16_t>(window >> 10);
        // Offsets C and D differ by the syndrome of an error in information bit 8: one bit
        // error turns a C into a valid D and a D into a valid C. So the block expected here is
        // tried first, with single-bit correction, and only then any other offset.
        if (blockPosition == m_nExpected) {
            ++m_nChunkAccepted;
            StoreBlock(word);
            position += CRDSSyndrome::kBlockBits;
            continue;
        }
        const int bit =
            CRDSSyndrome::CorrectableBit(syndrome ^ CRDSSyndrome::ExpectedSyndrome(m_nExpected));
        if (bit >= 0) {
            ++m_nChunkAccepted;
            StoreBlock(static_cast<std::uint16_t>(word ^ (1u << bit)));
            position += CRDSSyndrome::kBlockBits;
            continue;
        }
        if (blockPosition != CRDSSyndrome::kNoPosition) {
            // A valid block out of place ends the partial group: a group is never assembled
            // from the blocks of two groups. An A opens the next group; others are skipped.
            ++m_nChunkAccepted;
            m_nExpected = 0;
            if (blockPosition == 0) {
                StoreBlock(word);
            }
            position += CRDSSyndrome::kBlockBits;
        } else {
            ++m_nChunkFailed;
            m_nExpected = 0;
            position += 1;
        }
    }
    m_nChunkAdvanced += position - m_nBitOffset;
    const int consumed = position >> 3;
    m_nBitOffset = position & 7;
    m_nStreamBytes -= consumed;
    std::memmove(&m_byStream[0], &m_byStream[consumed], static_cast<std::size_t>(m_nStreamBytes));
}

void CRDSDecoder::StoreBlock(std::uint16_t word) {
    m_current.m_wBlocks[m_nExpected] = word;
    if (++m_nExpected == 4) {
        m_nExpected = 0;
        m_current.SetBlocks(m_current.m_wBlocks);
        ++m_nChunkGroups;
        ++m_nGroupCount;
        DecodeGroup();
    }
}

void CRDSDecoder::UpdateStatistics(int startExpected) {
    // Blocks of a group still open at either end of the chunk are counted with the chunk in
    // which the group ends (or is abandoned).
    const std::int64_t errors =
        m_nChunkFailed + CRDSSyndrome::kBlockBits * (m_nChunkAccepted - 4 * m_nChunkGroups -
                                                     (m_nExpected - startExpected));
    const std::int64_t processed =
        m_nChunkAdvanced + CRDSSyndrome::kBlockBits * (startExpected - m_nExpected);
    m_nErrorBits[m_nRingIndex] += errors;
    m_nProcessedBits[m_nRingIndex] = processed;
    if (errors > 0 && processed > 0 && errors / processed == 1) {
        m_data.m_strPS = kNoRDS;
        m_bPSComplete = false;
    }

    std::int64_t errorSum = 0;
    std::int64_t processedSum = 0;
    for (int i = 0; i < kErrorRingSize; ++i) {
        errorSum += m_nErrorBits[i];
        processedSum += m_nProcessedBits[i];
    }
    // With no processed bit in the whole ring (empty chunks only) the rate is undefined and
    // the last one stays.
    if (processedSum > 0) {
        m_dBitErrorRate = 100.0 * static_cast<double>(errorSum) / static_cast<double>(processedSum);
    }
    m_nRingIndex = (m_nRingIndex + 1) % kErrorRingSize;
    m_nErrorBits[m_nRingIndex] = 0;
    m_nProcessedBits[m_nRingIndex] = 0;

    if (m_dBitErrorRate == 100.0) {
        ClearAll();
        m_data.m_strPS = kNoRDS;
        m_bPSComplete = false;
    }

    if (m_nSettleCount < kSettleChunks) {
        ++m_nSettleCount;
    } else {
        m_bSettled = true;
    }
}

}  // namespace tavik

#pragma once

#include <array>
#include <cstdint>

#include "rds/RDSData.h"
#include "rds/RDSFrequencyList.h"
#include "rds/RDSGroup.h"

namespace tavik {

// Turns the raw RDS bit stream (most significant bit first) into the texts of CRDSData: block
// synchronisation by syndrome, single-bit correction of information bits, group assembly
// across chunks, decoding of groups 0, 1, 2, 4A, 10A and 14A, and a bit error rate over the
// last 20 chunks. Time is counted in chunks (one Decode call each). Not thread-safe: the
// owner runs Decode and ClearAll on one thread at a time.
class CRDSDecoder {
public:
    static constexpr int kMaxChunkBytes = 500;
    static constexpr int kErrorRingSize = 20;
    static constexpr int kSettleChunks = 21;
    static constexpr const char* kClearRadioText = "&& Clear Radio Text Field &&";
    static constexpr const char* kNoRDS = "No RDS";

    CRDSDecoder();

    // Processes `count` bytes of the stream after the bytes carried from the previous chunk.
    // The record is complete and consistent when it returns. Any count is accepted; longer
    // input is scanned in pieces but counted as one chunk.
    void Decode(const std::uint8_t* data, int count);

    // Resets the station data (texts, character stores shown, frequency lists) and restarts
    // the confirmation of the PI and the collection of the radio text: both are shown again
    // only once received anew. Leaves the stored PI (the same station after a reset is no
    // change of station), the PS store with its repeat counters, the other-network memory, the
    // error statistics and the synchronisation state.
    void ClearAll();

    // Restarts the settling count (the RDS view does this when RDS is reset).
    void ResetSettling() {
        m_nSettleCount = 0;
        m_bSettled = false;
    }

    const CRDSData& GetData() const { return m_data; }

    double m_dBitErrorRate = 0.0;  // percent over the error ring
    bool m_bSettled = false;
    int m_nSettleCount = 0;          // chunks since reset
    std::int64_t m_nGroupCount = 0;  // groups decoded since construction

private:
    struct CEonMemory {
        std::uint16_t m_wPI = 0;
        std::array<char, 8> m_chPS{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
        CRDSFrequencyList m_afList;
        std::string m_strAF, m_strAreaCoverage, m_strCountry, m_strPTY, m_strPS, m_strTAIndicator;
    };

    // Chunk scanning (RDSDecoder.cpp).
    void Scan(const std::uint8_t* data, int count);
    std::uint32_t Window(int bitPosition) const;
    void StoreBlock(std::uint16_t word);
    void UpdateStatistics(int startExpected);

    // Group decoding (RDSDecoderGroups.cpp).
    void DecodeGroup();
    void ConfirmPI(const CRDSGroup& group);
    void SetStationTexts(const CRDSGroup& group);
    void DecodeGroup0(const CRDSGroup& current);
    void DecodeGroup1(const CRDSGroup& current);
    void DecodeGroup2(const CRDSGroup& current);
    void StartRadioText();
    void PublishCompleteRadioText();
    void DecodeGroup4A(const CRDSGroup& current);
    void DecodeGroup10A(const CRDSGroup& current);
    void RebuildTexts();
    static void FormatPI(std::uint16_t pi, std::string& text);

    // Other networks (RDSDecoderEon.cpp).
    void DecodeGroup14A(const CRDSGroup& current);
    void ChangeOtherNetwork(std::uint16_t piOn);
    void ClearEonData();

    CRDSData m_data;

    // Group records: the group being assembled and one record per slot.
    CRDSGroup m_current;
    std::array<CRDSGroup, 4> m_group0;
    std::array<CRDSGroup, 9> m_group1;
    std::array<CRDSGroup, 16> m_group2;
    CRDSGroup m_group4A;
    std::array<CRDSGroup, 2> m_group10A;
    std::array<CRDSGroup, 16> m_group14A;

    // The PI shown is the last one confirmed; a run counts the groups in a row that carry the
    // same PI since the last reset.
    std::uint16_t m_wStoredPI = 0;  // 0: none confirmed yet
    std::uint16_t m_wRunPI = 0;
    int m_nPIRun = 0;

    std::array<std::array<char, 2>, 4> m_chPSStore{};
    std::array<int, 4> m_nPSRepeats{};
    bool m_bPSComplete = false;

    // The radio text being collected: its characters (2A: 4 per segment, 2B: 2), whether its
    // first segment arrived and which segments arrived since then, its A/B flag and its group
    // version.
    std::array<char, 64> m_chRadioText{};
    bool m_bTextStartSeen = false;
    std::array<bool, 16> m_bTextSegmentSeen{};
    int m_nTextAB = 0;
    bool m_bTextVersionB = false;
    int m_nPTYNAB = 2;  // 2: no PTYN flag seen yet

    CRDSFrequencyList m_afList;
    CRDSFrequencyList m_eonAFList;

    std::uint16_t m_wEonPI = 0;
    std::array<char, 8> m_chEonPS{};
    int m_nEonSequence = 0;
    bool m_bEonTA = false;  // set by a TA without TP, kept for the decoder's life
    std::array<CEonMemory, 4> m_eonMemory;
    int m_nEonMemoryIndex = 0;

    // Synchronisation: bytes not consumed yet (first one holding the bit position) and the
    // position of the block expected next.
    std::array<std::uint8_t, kMaxChunkBytes + 16> m_byStream{};
    int m_nStreamBytes = 0;
    int m_nBitOffset = 0;
    int m_nExpected = 0;

    // Counts of the chunk being decoded.
    std::int64_t m_nChunkFailed = 0;
    std::int64_t m_nChunkAccepted = 0;
    std::int64_t m_nChunkGroups = 0;
    std::int64_t m_nChunkAdvanced = 0;

    // Error and processed bits per chunk; 64-bit so that one very long Decode call cannot
    // overflow them.
    std::array<std::int64_t, kErrorRingSize> m_nErrorBits{};
    std::array<std::int64_t, kErrorRingSize> m_nProcessedBits{};
    int m_nRingIndex = 0;
};

}  // namespace tavik

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "device/TavikControl.h"
#include "platform/File.h"
#include "platform/MappedFile.h"

namespace tavik {

// A recording that cannot be analysed; the message names the file and the cause.
class CBatchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the receiver's recordings once from start to end, for batch analysis: "mpx.dat" and
// "lev.dat" as signed 16-bit little-endian samples, 20000 per 100 ms block, the pair ending
// with the shorter file (a part block at the end is not a block); "rds.dat" as 100-byte
// chunks, as far as it goes. Samples become floats exactly as the receiver's transfer makes
// them: MPX as is, the level through CTavikControl::ScaleLevel. The two sample files are
// memory-mapped: a block is converted straight from the page cache, without a copy.
class CRecordingReader {
public:
    static constexpr int kBlockSamples = GLOBAL_SAMPLE_BUFSIZE;
    static constexpr int kRdsChunkBytes = RDS_BLOCK_BYTES;

    CRecordingReader();
    ~CRecordingReader();

    // Opens the three files in `folder` ("" = working directory); throws CBatchError.
    void Open(const std::string& folder);
    std::int64_t GetBlockCount() const { return m_nBlocks; }

    // The next block of both channels (the level only when `level` is given), and the MPX
    // block's figures when `figures` is given; false after the last. Throws CBatchError.
    bool ReadBlock(float* mpx, float* level, CBlockFigures* figures = nullptr);
    // The next RDS chunk; false when "rds.dat" has no further whole chunk. Throws CBatchError.
    bool ReadRdsChunk(std::uint8_t* chunk);
    // Back to the start of all three files, as playback loops them. Throws CBatchError.
    void Rewind();

    static constexpr std::size_t kBlockBytes = 2 * kBlockSamples;  // 16-bit samples

private:
    static constexpr std::int64_t kStretchBlocks = 64;

    void OpenFile(CFile& file, const std::string& folder, const char* name);
    void MapFile(CMappedFile& file, const std::string& folder, const char* name);
    void CheckStretch();
    const std::int16_t* Samples(const CMappedFile& file);
    void ReadExactly(CFile& file, std::uint8_t* buffer, std::size_t count, std::size_t& read);

    CMappedFile m_mpxFile;
    CMappedFile m_levelFile;
    CFile m_rdsFile;
    std::int64_t m_nBlocks = 0;
    std::int64_t m_nBlocksRead = 0;
    bool m_bRdsEnded = false;
    std::array<std::int16_t, kBlockSamples> m_raw{};  // a block in host order (big-endian hosts)
    // ScaleLevel of every 16-bit sample value, indexed by value + 32768: bit for bit the
    // receiver's conversion. When the vectorised form gives the same value for every sample
    // value (checked once), that form is used instead of the table.
    std::unique_ptr<std::array<float, 65536>> m_pLevelTable;
    bool m_bInlineLevelExact = false;
};

}  // namespace tavik

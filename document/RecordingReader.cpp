#include "document/RecordingReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <system_error>

#include "platform/GenericException.h"

namespace tavik {

namespace {

// The receiver's level conversion written out, so that the compiler vectorises the block
// loop; the constructor checks it against CTavikControl::ScaleLevel for every sample value.
float ScaleLevelInline(float raw) {
    return (raw + 32767.0f) * 0.0011444092f + 22.5f;
}

// The file's little-endian samples in host order.
void ToHostOrder(std::int16_t* samples, int count) {
    if constexpr (std::endian::native != std::endian::little) {
        for (int i = 0; i < count; ++i) {
            const auto u = static_cast<std::uint16_t>(samples[i]);
            samples[i] = static_cast<std::int16_t>((u >> 8) | (u << 8));
        }
    }
}

}  // namespace

CRecordingReader::CRecordingReader() : m_pLevelTable(std::make_unique<std::array<float, 65536>>()) {
    m_bInlineLevelExact = true;
    for (int value = -32768; value <= 32767; ++value) {
        const float raw = static_cast<float>(value);
        const float level = CTavikControl::ScaleLevel(raw);
        (*m_pLevelTable)[static_cast<std::size_t>(value + 32768)] = level;
        const float inlined = ScaleLevelInline(raw);
        if (std::memcmp(&level, &inlined, sizeof level) != 0) {
            m_bInlineLevelExact = false;
        }
    }
}

CRecordingReader::~CRecordingReader() = default;

void CRecordingReader::OpenFile(CFile& file, const std::string& folder, const char* name) {
    const std::string path = folder.empty() ? std::string(name) : JoinPath(folder, name);
    int cause = CheckRegularFile(path);
    if (cause == 0) {
        cause = file.Open(path, CFile::modeRead);
    }
    if (cause != 0) {
        throw CBatchError(
            StringFormat("Could not open \"%s\": %s", path.c_str(), CauseText(cause).c_str()));
    }
}

void CRecordingReader::Open(const std::string& folder) {
    OpenFile(m_mpxFile, folder, "mpx.dat");
    OpenFile(m_levelFile, folder, "lev.dat");
    OpenFile(m_rdsFile, folder, "rds.dat");
    off_t mpxSize = 0;
    off_t levelSize = 0;
    if (m_mpxFile.SeekToEnd(mpxSize) != 0 || m_levelFile.SeekToEnd(levelSize) != 0 ||
        m_mpxFile.Seek(0) != 0 || m_levelFile.Seek(0) != 0) {
        throw CBatchError("Could not find the length of \"mpx.dat\" and \"lev.dat\"");
    }
    m_nBlocks = static_cast<std::int64_t>(std::min(mpxSize, levelSize)) /
                static_cast<std::int64_t>(kBlockBytes);
    if (m_nBlocks == 0) {
        // Nothing to analyse is an error, not an analysis of zero seconds.
        throw CBatchError(StringFormat(
            "\"%s\" holds no whole block (%lld bytes of samples; a block is %lld bytes)",
            mpxSize <= levelSize ? "mpx.dat" : "lev.dat",
            static_cast<long long>(std::min(mpxSize, levelSize)),
            static_cast<long long>(kBlockBytes)));
    }
    m_nBlocksRead = 0;
    m_bRdsEnded = false;
}

void CRecordingReader::ReadExactly(CFile& file, std::uint8_t* buffer, std::size_t count,
                                   std::size_t& read) {
    if (const int cause = file.Read(buffer, count, read); cause != 0) {
        throw CBatchError(StringFormat("Could not read from \"%s\": %s", file.GetFileName().c_str(),
                                       CauseText(cause).c_str()));
    }
}

void CRecordingReader::ReadSamples(CFile& file) {
    std::size_t read = 0;
    ReadExactly(file, reinterpret_cast<std::uint8_t*>(m_raw.data()), kBlockBytes, read);
    if (read != kBlockBytes) {
        throw CBatchError("\"" + file.GetFileName() + "\" became shorter while read");
    }
    ToHostOrder(m_raw.data(), kBlockSamples);
}

bool CRecordingReader::ReadBlock(float* mpx, float* level) {
    if (m_nBlocksRead >= m_nBlocks) {
        return false;
    }
    std::int16_t* const raw = m_raw.data();
    ReadSamples(m_mpxFile);
    for (int i = 0; i < kBlockSamples; ++i) {
        mpx[i] = static_cast<float>(raw[i]);
    }
    ReadSamples(m_levelFile);
    if (m_bInlineLevelExact) {
        for (int i = 0; i < kBlockSamples; ++i) {
            level[i] = ScaleLevelInline(static_cast<float>(raw[i]));
        }
    } else {
        const std::array<float, 65536>& table = *m_pLevelTable;
        for (int i = 0; i < kBlockSamples; ++i) {
            level[i] = table[static_cast<std::size_t>(raw[i] + 32768)];
        }
    }
    ++m_nBlocksRead;
    return true;
}

void CRecordingReader::Rewind() {
    if (m_mpxFile.Seek(0) != 0 || m_levelFile.Seek(0) != 0 || m_rdsFile.Seek(0) != 0) {
        throw CBatchError("Could not go back to the start of the recordings");
    }
    m_nBlocksRead = 0;
    m_bRdsEnded = false;
}

bool CRecordingReader::ReadRdsChunk(std::uint8_t* chunk) {
    if (m_bRdsEnded) {
        return false;
    }
    std::size_t read = 0;
    ReadExactly(m_rdsFile, chunk, kRdsChunkBytes, read);
    if (read != static_cast<std::size_t>(kRdsChunkBytes)) {
        m_bRdsEnded = true;  // a part chunk at the end is not a chunk
        return false;
    }
    return true;
}

}  // namespace tavik

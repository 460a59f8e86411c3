#include "document/RecordingReader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/GenericException.h"
#include "platform/MappedFile.h"

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

// One pass over a block's 16-bit MPX samples: the floats, the peaks of the first half and of
// the whole block, and the sum of squares. Every figure is a whole number worked out exactly.
CBlockFigures ConvertMpx(const std::int16_t* raw, float* mpx) {
    constexpr int kHalf = CRecordingReader::kBlockSamples / 2;
    CBlockFigures figures;
    figures.nCount = CRecordingReader::kBlockSamples;
#if defined(__SSE2__)
    static_assert(kHalf % 8 == 0);
    const __m128i zero = _mm_setzero_si128();
    __m128i high = _mm_set1_epi16(0);
    __m128i low = _mm_set1_epi16(0);
    __m128i sum = zero;
    for (int half = 0; half < 2; ++half) {
        const int end = (half + 1) * kHalf;
        for (int i = half * kHalf; i < end; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + i));
            high = _mm_max_epi16(high, v);
            low = _mm_min_epi16(low, v);
            // Pairs of squares: at most 2 * 32768^2 = 2^31, a whole unsigned 32-bit value.
            const __m128i squares = _mm_madd_epi16(v, v);
            sum = _mm_add_epi64(sum, _mm_unpacklo_epi32(squares, zero));
            sum = _mm_add_epi64(sum, _mm_unpackhi_epi32(squares, zero));
            const __m128i first = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
            const __m128i second = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
            _mm_storeu_ps(mpx + i, _mm_cvtepi32_ps(first));
            _mm_storeu_ps(mpx + i + 4, _mm_cvtepi32_ps(second));
        }
        alignas(16) std::int16_t highs[8];
        alignas(16) std::int16_t lows[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
        _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
        std::int32_t peak = 0;
        for (int j = 0; j < 8; ++j) {
            peak = std::max(
                {peak, static_cast<std::int32_t>(highs[j]), -static_cast<std::int32_t>(lows[j])});
        }
        (half == 0 ? figures.fFirstHalfPeak : figures.fPeak) = static_cast<float>(peak);
    }
    alignas(16) std::uint64_t sums[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), sum);
    figures.dSumOfSquares = static_cast<double>(sums[0] + sums[1]);
#else
    std::int32_t peak = 0;
    std::uint64_t sum = 0;
    for (int i = 0; i < CRecordingReader::kBlockSamples; ++i) {
        const std::int32_t v = raw[i];
        mpx[i] = static_cast<float>(v);
        peak = std::max(peak, v < 0 ? -v : v);
        sum += static_cast<std::uint64_t>(v * v);
        if (i + 1 == kHalf) {
            figures.fFirstHalfPeak = static_cast<float>(peak);
        }
    }
    figures.fPeak = static_cast<float>(peak);
    figures.dSumOfSquares = static_cast<double>(sum);
#endif
    return figures;
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

void CRecordingReader::MapFile(CMappedFile& file, const std::string& folder, const char* name) {
    const std::string path = folder.empty() ? std::string(name) : JoinPath(folder, name);
    int cause = CheckRegularFile(path);
    if (cause == 0) {
        cause = file.Open(path);
    }
    if (cause != 0) {
        throw CBatchError(
            StringFormat("Could not open \"%s\": %s", path.c_str(), CauseText(cause).c_str()));
    }
}

void CRecordingReader::Open(const std::string& folder) {
    MapFile(m_mpxFile, folder, "mpx.dat");
    MapFile(m_levelFile, folder, "lev.dat");
    OpenFile(m_rdsFile, folder, "rds.dat");
    const std::size_t mpxSize = m_mpxFile.GetSize();
    const std::size_t levelSize = m_levelFile.GetSize();
    m_nBlocks = static_cast<std::int64_t>(std::min(mpxSize, levelSize) / kBlockBytes);
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

// Every stretch of blocks starts with a look at the files' lengths: a recording cut short
// while analysed is an error, not a fault on the pages past its new end. The stretch before
// is given back to the system.
void CRecordingReader::CheckStretch() {
    if (m_nBlocksRead % kStretchBlocks != 0) {
        return;
    }
    const std::size_t offset = static_cast<std::size_t>(m_nBlocksRead) * kBlockBytes;
    const std::size_t end =
        static_cast<std::size_t>(std::min(m_nBlocksRead + kStretchBlocks, m_nBlocks)) * kBlockBytes;
    for (CMappedFile* file : {&m_mpxFile, &m_levelFile}) {
        if (!file->StillHolds(end)) {
            throw CBatchError("\"" + file->GetFileName() + "\" became shorter while read");
        }
        file->Release(offset);
    }
}

// The block's samples in host order: the mapped file itself on a little-endian host.
const std::int16_t* CRecordingReader::Samples(const CMappedFile& file) {
    const std::uint8_t* bytes =
        file.GetData() + static_cast<std::size_t>(m_nBlocksRead) * kBlockBytes;
    if constexpr (std::endian::native == std::endian::little) {
        return reinterpret_cast<const std::int16_t*>(bytes);
    }
    std::memcpy(m_raw.data(), bytes, kBlockBytes);
    ToHostOrder(m_raw.data(), kBlockSamples);
    return m_raw.data();
}

bool CRecordingReader::ReadBlock(float* mpx, float* level, CBlockFigures* figures) {
    if (m_nBlocksRead >= m_nBlocks) {
        return false;
    }
    CheckStretch();
    const CBlockFigures mpxFigures = ConvertMpx(Samples(m_mpxFile), mpx);
    if (figures != nullptr) {
        *figures = mpxFigures;
    }
    if (level != nullptr) {
        const std::int16_t* const raw = Samples(m_levelFile);
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
    }
    ++m_nBlocksRead;
    return true;
}

void CRecordingReader::Rewind() {
    if (m_rdsFile.Seek(0) != 0) {
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

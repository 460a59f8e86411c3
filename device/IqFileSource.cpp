#include "device/IqFileSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/FileContents.h"

namespace tavik {

namespace {

// SigMF metadata is a few hundred bytes; more is not metadata and is not read.
constexpr std::size_t kMaxMetadataBytes = 1 << 20;

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

// Why `path` cannot be read, in words: what it is when it is no regular file.
std::string Unreadable(const std::string& path, int cause) {
    if (cause == EFBIG) {
        return "it is larger than 1 MB";
    }
    struct stat st {};
    if (cause != NOT_A_REGULAR_FILE || ::stat(path.c_str(), &st) != 0) {
        return CauseText(cause);
    }
    const char* kind = S_ISDIR(st.st_mode)    ? "a folder"
                       : S_ISFIFO(st.st_mode) ? "a FIFO"
                       : S_ISCHR(st.st_mode)  ? "a character device"
                       : S_ISBLK(st.st_mode)  ? "a block device"
                       : S_ISSOCK(st.st_mode) ? "a socket"
                                              : "something else";
    return std::string("it is ") + kind + ", not a regular file";
}

double Number(const nlohmann::json& object, const char* key, const std::string& path) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number()) {
        throw CIqSourceError(Quoted(path) + " has no " + key);
    }
    return it->get<double>();
}

}  // namespace

std::optional<std::string> CIqFileSource::FileOfReceiver(const std::string& receiver) {
    if (receiver.rfind("iq:", 0) != 0) {
        return std::nullopt;
    }
    return receiver.substr(3);
}

std::optional<double> CIqFileSource::StationOf(const CIqSourceSettings& settings) {
    try {
        return CIqFileSource(settings).ReceiverSettings().fStation;
    } catch (const CIqSourceError&) {
        return std::nullopt;
    }
}

CIqFileSource::CIqFileSource(const CIqSourceSettings& settings)
    : CIqFileSource(settings, nullptr) {}

CIqFileSource::CIqFileSource(const CIqSourceSettings& settings, IIqChannelFeed& feed)
    : CIqFileSource(settings, &feed) {}

CIqFileSource::CIqFileSource(const CIqSourceSettings& settings, IIqChannelFeed* feed)
    : m_pFeed(feed) {
    const std::filesystem::path path(settings.strFile);
    const std::string extension = path.extension().string();
    std::optional<double> fullScale;
    if (extension == ".sigmf-meta" || extension == ".sigmf-data") {
        std::filesystem::path meta = path;
        meta.replace_extension(".sigmf-meta");
        std::filesystem::path data = path;
        data.replace_extension(".sigmf-data");
        m_strDataPath = data.string();
        ReadMetadata(meta.string());
        fullScale = m_receiverSettings.fFullScaleDbuv;
    } else if (const auto format = IqFormatFromExtension(extension)) {
        m_format = *format;
        m_strDataPath = settings.strFile;
        if (!settings.rate || !settings.centre) {
            throw CIqSourceError("the raw IQ file " + Quoted(settings.strFile) +
                                 " needs --iq-rate and --iq-frequency");
        }
    } else {
        throw CIqSourceError(Quoted(settings.strFile) +
                             " is neither SigMF (.sigmf-meta) nor raw IQ (.cu8, .cs16, .cf32)");
    }
    if (settings.rate) {
        m_receiverSettings.fSampleRate = *settings.rate;
    }
    if (settings.centre) {
        m_receiverSettings.fCentre = *settings.centre;
    }
    m_receiverSettings.fStation =
        settings.station.value_or(m_fMetadataStation.value_or(m_receiverSettings.fCentre));
    m_receiverSettings.fFullScaleDbuv =
        settings.fullScale.value_or(fullScale.value_or(CFmReceiver::kDefaultFullScaleDbuv));
    try {
        m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);
    } catch (const CDspError& e) {
        throw CIqSourceError(Quoted(settings.strFile) + ": " + e.what());
    }

    if (const int cause = m_file.Open(m_strDataPath, CFile::modeRead); cause != 0) {
        throw CIqSourceError("cannot read the IQ data " + Quoted(m_strDataPath) + ": " +
                             Unreadable(m_strDataPath, cause));
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(m_strDataPath, error);
    const std::uint64_t samples = error ? 0 : bytes / IqSampleBytes(m_format);
    const auto rate = static_cast<std::uint64_t>(std::llround(m_receiverSettings.fSampleRate));
    // Every IQ sample gives its share of MPX samples; the resamplers may hold two back.
    const std::uint64_t mpxSamples = samples * 200000 / rate;
    const std::uint64_t held = 2 + kSettleSamples;
    m_nBlocks =
        mpxSamples > held ? static_cast<std::int64_t>((mpxSamples - held) / kBlockSamples) : 0;
    if (m_nBlocks == 0) {
        throw CIqSourceError(Quoted(m_strDataPath) + " holds less than 100 ms of IQ");
    }

    if (m_pFeed == nullptr) {
        m_nChunkSamples =
            static_cast<int>(std::min<std::uint64_t>(rate / 10, CFmReceiver::kMaxInput));
        m_raw.resize(static_cast<std::size_t>(m_nChunkSamples) * IqSampleBytes(m_format));
        m_iq.resize(static_cast<std::size_t>(m_nChunkSamples));
        m_output.Prepare(*m_pReceiver, m_nChunkSamples);
        return;
    }
    // One station of several: the receiver at the channel's rate, and buffers for its
    // pieces only (those for the capture's full rate would be six times larger).
    CFmReceiverSettings channel = m_receiverSettings;
    channel.fSampleRate = m_pFeed->ChannelRate();
    channel.fCentre = m_pFeed->ChannelCentre();
    try {
        m_pReceiver = std::make_unique<CFmReceiver>(channel);
    } catch (const CDspError& e) {
        throw CIqSourceError(Quoted(settings.strFile) + ": " + e.what());
    }
    m_nChunkSamples =
        static_cast<int>(std::min(channel.fSampleRate / 10, double{CFmReceiver::kMaxInput}));
    m_iq.resize(static_cast<std::size_t>(m_nChunkSamples));
    m_output.Prepare(*m_pReceiver, m_nChunkSamples);
}

CIqFileSource::~CIqFileSource() = default;

void CIqFileSource::ReadMetadata(const std::string& path) {
    // Only a regular file (symbolic links followed), and at most 1 MB of it: a FIFO would wait
    // for a writer and /dev/zero would never end.
    std::vector<std::uint8_t> text;
    if (const int cause = ReadFileContents(path, text, kMaxMetadataBytes); cause != 0) {
        throw CIqSourceError("cannot read the SigMF metadata " + Quoted(path) + ": " +
                             Unreadable(path, cause));
    }
    try {
        const nlohmann::json meta = nlohmann::json::parse(text);
        const auto global = meta.find("global");
        if (global == meta.end() || !global->is_object()) {
            throw CIqSourceError(Quoted(path) + " has no \"global\" object");
        }
        const auto datatype = global->find("core:datatype");
        if (datatype == global->end() || !datatype->is_string()) {
            throw CIqSourceError(Quoted(path) + " has no core:datatype");
        }
        const auto format = IqFormatFromDatatype(datatype->get<std::string>());
        if (!format) {
            throw CIqSourceError(Quoted(path) + ": the datatype \"" + datatype->get<std::string>() +
                                 "\" cannot be read (cu8, ci16_le and cf32_le can)");
        }
        m_format = *format;
        m_receiverSettings.fSampleRate = Number(*global, "core:sample_rate", path);
        const auto captures = meta.find("captures");
        if (captures != meta.end() && captures->is_array() && !captures->empty() &&
            captures->front().is_object()) {
            m_receiverSettings.fCentre = Number(captures->front(), "core:frequency", path);
        } else {
            throw CIqSourceError(Quoted(path) + " has no captures[0] with core:frequency");
        }
        const auto station = global->find("tavik:station_frequency");
        if (station != global->end() && station->is_number()) {
            m_fMetadataStation = station->get<double>();
        }
        const auto fullScale = global->find("tavik:full_scale_dbuv");
        m_receiverSettings.fFullScaleDbuv = fullScale != global->end() && fullScale->is_number()
                                                ? fullScale->get<double>()
                                                : CFmReceiver::kDefaultFullScaleDbuv;
    } catch (const nlohmann::json::exception& e) {
        throw CIqSourceError(Quoted(path) + " is not SigMF metadata: " + e.what());
    }
}

bool CIqFileSource::ReceiveMore() {
    if (m_pFeed != nullptr) {
        const int count = m_pFeed->Next(m_iq.data(), m_nChunkSamples);
        if (count > 0) {
            m_output.Receive(*m_pReceiver, m_iq.data(), count);
        }
        return count > 0;
    }
    std::size_t read = 0;
    if (const int cause = m_file.Read(m_raw.data(), m_raw.size(), read); cause != 0) {
        throw CIqSourceError("cannot read the IQ data " + Quoted(m_strDataPath) + ": " +
                             std::strerror(cause));
    }
    const auto count = static_cast<int>(read / IqSampleBytes(m_format));
    if (count == 0) {
        return false;
    }
    ConvertIq(m_format, m_raw.data(), static_cast<std::size_t>(count), m_iq.data());
    m_output.Receive(*m_pReceiver, m_iq.data(), count);
    return true;
}

bool CIqFileSource::ReadBlock(float* mpx, float* level, CReceivedFigures* received) {
    if (m_nBlocksRead >= m_nBlocks) {
        return false;
    }
    while (!m_output.HasBlock()) {
        if (m_stopRequested && m_stopRequested()) {
            return false;
        }
        if (!ReceiveMore()) {
            m_output.Finish();  // a capture shorter than the carrier's first estimate
            if (!m_output.HasBlock()) {
                return false;
            }
        }
    }
    m_output.TakeBlock(mpx, level, received);
    ++m_nBlocksRead;
    return true;
}

bool CIqFileSource::ReadRdsChunk(std::uint8_t* chunk) {
    return m_output.TakeRdsChunk(chunk);
}

void CIqFileSource::Rewind() {
    if (m_pFeed != nullptr) {
        throw CIqSourceError("a station of several in " + Quoted(m_strDataPath) +
                             " cannot start again");
    }
    if (const int cause = m_file.Seek(0); cause != 0) {
        throw CIqSourceError("cannot read the IQ data " + Quoted(m_strDataPath) + ": " +
                             std::strerror(cause));
    }
    m_pReceiver = std::make_unique<CFmReceiver>(m_receiverSettings);
    m_output.Restart(false);
    m_nBlocksRead = 0;
}

void CIqFileSource::ReadIq(std::complex<float>* iq, int count) {
    const std::size_t sampleBytes = IqSampleBytes(m_format);
    for (int have = 0; have < count;) {
        const std::size_t wanted = static_cast<std::size_t>(count - have) * sampleBytes;
        std::size_t read = 0;
        int cause = m_file.Read(m_raw.data(), std::min(wanted, m_raw.size()), read);
        if (cause == 0 && read < sampleBytes) {
            cause = m_file.Seek(0);  // the end: on from the start
        }
        if (cause != 0) {
            throw CIqSourceError("cannot read the IQ data " + Quoted(m_strDataPath) + ": " +
                                 std::strerror(cause));
        }
        const auto samples = static_cast<int>(read / sampleBytes);
        ConvertIq(m_format, m_raw.data(), static_cast<std::size_t>(samples), iq + have);
        have += samples;
    }
}

}  // namespace tavik

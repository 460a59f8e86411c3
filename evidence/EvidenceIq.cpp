#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "dsp/IqFormat.h"
#include "evidence/EvidenceClips.h"
#include "platform/File.h"
#include "platform/FileContents.h"

namespace tavik {

namespace {

constexpr std::size_t kIqBytes = 4;  // ci16_le: two 16-bit values per sample

}  // namespace

// Transfer thread. The ring is made once, for the first stream's rate; a stream that restarts
// at another rate (never, as the receiver keeps its settings) keeps no IQ.
void CEvidenceClips::OnIqStart(const CIqCapture& capture) {
    std::lock_guard lock(m_mutex);
    const auto half = static_cast<std::uint64_t>(m_nIqSeconds * capture.fRate);
    if (m_iqRing.empty()) {
        m_nIqHalf = half;
        m_iqRing.resize(static_cast<std::size_t>(
            (2 * half + static_cast<std::uint64_t>(kSpareSeconds * capture.fRate)) * kIqBytes));
    }
    m_bIq = half == m_nIqHalf && !m_iqRing.empty();
    m_capture = capture;
    m_nIqStreamStart = m_nIqTotal;
}

void CEvidenceClips::OnIq(const std::complex<float>* iq, int count) {
    std::unique_lock lock(m_mutex);
    if (!m_bIq || count <= 0) {
        return;
    }
    const std::uint64_t samples = m_iqRing.size() / kIqBytes;
    std::size_t done = 0;
    while (done < static_cast<std::size_t>(count)) {
        const auto at = static_cast<std::size_t>((m_nIqTotal + done) % samples);
        const std::size_t piece = std::min(static_cast<std::size_t>(count) - done,
                                           static_cast<std::size_t>(samples) - at);
        EncodeIq(CIqFormat::Ci16, iq + done, piece, m_iqRing.data() + at * kIqBytes);
        done += piece;
    }
    m_nIqTotal += static_cast<std::uint64_t>(count);
    if (m_requests.empty()) {
        return;
    }
    lock.unlock();
    m_cv.notify_all();
}

bool CEvidenceClips::IqReady(const CRequest& request) const {
    // A stream that broke after the activation would never bring the rest: MPX rules then.
    return !request.bIq || !m_bIq || m_nIqStreamStart > request.nIqAt ||
           m_nIqTotal >= request.nIqAt + m_nIqHalf;
}

void CEvidenceClips::WriteIq(const CRequest& request) {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    {
        std::lock_guard lock(m_mutex);
        const std::uint64_t samples = m_iqRing.size() / kIqBytes;
        const std::uint64_t oldest = m_nIqTotal > samples ? m_nIqTotal - samples : 0;
        // Only the stream that ran at the activation: one that began later is another's IQ.
        const bool restarted = m_nIqStreamStart > request.nIqAt;
        const std::uint64_t start = restarted ? 0 : m_nIqStreamStart;
        from = std::max({request.nIqAt > m_nIqHalf ? request.nIqAt - m_nIqHalf : 0, oldest, start});
        to = std::min(
            {request.nIqAt + m_nIqHalf, m_nIqTotal, restarted ? m_nIqStreamStart : m_nIqTotal});
    }
    const std::string base =
        m_strFolder + "/" + request.strFile.substr(0, request.strFile.size() - 4);
    if (const int cause = WriteIqData(base + ".sigmf-data", from, std::max(from, to)); cause != 0) {
        Fail(base + ".sigmf-data", cause);
        return;
    }
    const std::string meta = SigmfMeta(
        request.capture, request.strAlarm,
        std::min(request.nIqAt - std::min(request.nIqAt, from), std::max(from, to) - from),
        std::max(from, to) - from);
    const std::string temporary = base + ".sigmf-meta.part";
    int cause = 0;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        cause = errno;
    } else {
        cause = WriteFully(fd, meta.data(), meta.size());
        if (::close(fd) != 0 && cause == 0) {
            cause = errno;
        }
        if (cause == 0 && std::rename(temporary.c_str(), (base + ".sigmf-meta").c_str()) != 0) {
            cause = errno;
        }
    }
    if (cause != 0) {
        ::unlink(temporary.c_str());
        Fail(base + ".sigmf-meta", cause);
    }
}

// Piece by piece: the ring is held only for each piece's copy. A piece the stream has already
// overwritten (a writer held up for longer than the ring's spare seconds) ends the data there.
int CEvidenceClips::WriteIqData(const std::string& path, std::uint64_t from, std::uint64_t to) {
    const std::string temporary = path + ".part";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    int cause = 0;
    const std::uint64_t pieceSamples = m_iqPiece.size() / kIqBytes;
    for (std::uint64_t at = from; at < to && cause == 0;) {
        const std::uint64_t count = std::min(pieceSamples, to - at);
        {
            std::lock_guard lock(m_mutex);
            const std::uint64_t samples = m_iqRing.size() / kIqBytes;
            if (m_nIqTotal > samples && at < m_nIqTotal - samples) {
                break;
            }
            for (std::uint64_t i = 0; i < count; ++i) {
                const auto ring = static_cast<std::size_t>(((at + i) % samples) * kIqBytes);
                std::copy_n(m_iqRing.data() + ring, kIqBytes, m_iqPiece.data() + i * kIqBytes);
            }
        }
        cause = WriteFully(fd, m_iqPiece.data(), static_cast<std::size_t>(count) * kIqBytes);
        at += count;
    }
    return CloseIntoPlace(fd, cause, temporary, path);
}

std::string CEvidenceClips::SigmfMeta(const CIqCapture& capture, const std::string& alarm,
                                      std::uint64_t activation, std::uint64_t samples) {
    nlohmann::ordered_json meta;
    meta["global"] = {
        {"core:datatype", "ci16_le"},
        {"core:sample_rate", capture.fRate},
        {"core:version", "1.0.0"},
        {"core:description", "Tavik evidence of the alarm \"" + alarm + "\""},
        {"tavik:station_frequency", capture.fStation},
        {"tavik:full_scale_dbuv", capture.fFullScaleDbuv},
    };
    meta["captures"] = nlohmann::ordered_json::array(
        {{{"core:sample_start", 0}, {"core:frequency", capture.fCentre}}});
    meta["annotations"] = nlohmann::ordered_json::array({{
        {"core:sample_start", activation},
        {"core:sample_count", samples - activation},
        {"core:label", alarm},
        {"core:comment", "alarm activation"},
    }});
    // A name that is not UTF-8 keeps its valid part rather than failing the clip.
    return meta.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace tavik

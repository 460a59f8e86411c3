#include "evidence/EvidenceClips.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "platform/File.h"
#include "platform/FileContents.h"
#include "platform/WavHeader.h"

namespace tavik {

namespace {

constexpr std::size_t kMaxSafeName = 64;

// The recordings hold signed 16-bit samples that the device turns into floats unchanged; a
// receiver's demodulated MPX uses the same scale, and the rare value outside 16 bits is clipped.
std::int16_t ToSample(float value) {
    const float rounded = std::nearbyint(std::clamp(value, -32768.0f, 32767.0f));
    return static_cast<std::int16_t>(rounded);
}

bool IsDigits(const std::string& text, std::size_t from, std::size_t count) {
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(from + count),
                       [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

CEvidenceClips::CEvidenceClips(std::string folder, int seconds, std::uint64_t maxBytes)
    : m_strFolder(std::move(folder)),
      m_nHalf(static_cast<std::uint64_t>(seconds) * kSampleRate),
      m_nMaxBytes(maxBytes),
      m_ring(static_cast<std::size_t>(2 * m_nHalf + kSpareSeconds * kSampleRate)),
      m_clip(static_cast<std::size_t>(2 * m_nHalf)),
      m_nIqSeconds(std::min(seconds, kMaxIqSeconds)),
      m_iqPiece(std::size_t{1} << 20) {
    std::error_code ignored;
    std::filesystem::create_directories(m_strFolder, ignored);
    m_thread = std::thread([this] { Run(); });
}

CEvidenceClips::~CEvidenceClips() {
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void CEvidenceClips::OnMpxBlock(const float* samples, int count) {
    if (count <= 0) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        const std::size_t size = m_ring.size();
        std::size_t at = static_cast<std::size_t>(m_nTotal % size);
        for (int i = 0; i < count; ++i) {
            m_ring[at] = ToSample(samples[i]);
            at = at + 1 == size ? 0 : at + 1;
        }
        m_nTotal += static_cast<std::uint64_t>(count);
        if (m_requests.empty()) {
            return;
        }
    }
    m_cv.notify_all();
}

std::string CEvidenceClips::Request(const std::string& alarm, CTime when) {
    std::string file;
    {
        std::lock_guard lock(m_mutex);
        file = UniqueFile(when.Format("%Y%m%d-%H%M%S-") + SafeName(alarm));
        m_requests.push_back(CRequest{file, alarm, m_nTotal, m_bIq, m_nIqTotal, m_capture});
    }
    m_cv.notify_all();
    return file;
}

// Two activations in one second of alarms whose names look alike get "-2", "-3" ... added.
std::string CEvidenceClips::UniqueFile(const std::string& base) const {
    for (int n = 1;; ++n) {
        const std::string file = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".wav";
        const std::string meta = file.substr(0, file.size() - 4) + ".sigmf-meta";
        const bool waiting = std::any_of(m_requests.begin(), m_requests.end(),
                                         [&file](const CRequest& r) { return r.strFile == file; });
        std::error_code ignored;
        if (!waiting && !std::filesystem::exists(m_strFolder + "/" + file, ignored) &&
            !std::filesystem::exists(m_strFolder + "/" + meta, ignored)) {
            return file;
        }
    }
}

void CEvidenceClips::Flush() {
    std::unique_lock lock(m_mutex);
    m_bFlush = true;
    m_cv.notify_all();
    m_cv.wait(lock, [this] { return m_requests.empty() || m_bQuit; });
    m_bFlush = false;
}

int CEvidenceClips::GetFailures() const {
    std::lock_guard lock(m_mutex);
    return m_nFailures;
}

std::string CEvidenceClips::GetLastFailure() const {
    std::lock_guard lock(m_mutex);
    return m_strLastFailure;
}

// Writer thread: the oldest request first, once its seconds after the activation are there
// (or at once when flushing or ending).
void CEvidenceClips::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] {
            return m_bQuit || m_bFlush ||
                   (!m_requests.empty() && m_nTotal >= m_requests.front().nAt + m_nHalf &&
                    IqReady(m_requests.front()));
        });
        if (m_requests.empty()) {
            if (m_bQuit) {
                return;
            }
            m_cv.wait(lock, [this] { return m_bQuit || !m_requests.empty() || !m_bFlush; });
            continue;
        }
        const CRequest request = m_requests.front();
        const std::size_t count = CopyClip(request);
        lock.unlock();
        WriteClip(request.strFile, count);
        if (request.bIq) {
            WriteIq(request);
        }
        EnforceCap(m_strFolder, m_nMaxBytes, request.strFile.substr(0, request.strFile.size() - 4));
        lock.lock();
        m_requests.pop_front();
        if (m_requests.empty()) {
            m_cv.notify_all();  // a Flush waits for this
        }
    }
}

std::size_t CEvidenceClips::CopyClip(const CRequest& request) {
    const std::uint64_t size = m_ring.size();
    const std::uint64_t oldest = m_nTotal > size ? m_nTotal - size : 0;
    const std::uint64_t from = std::max(request.nAt > m_nHalf ? request.nAt - m_nHalf : 0, oldest);
    const std::uint64_t to = std::min(request.nAt + m_nHalf, m_nTotal);
    std::size_t count = 0;
    for (std::uint64_t i = from; i < to; ++i) {
        m_clip[count++] = m_ring[static_cast<std::size_t>(i % size)];
    }
    return count;
}

// Written under a temporary name and renamed, so that the folder never shows half a clip.
void CEvidenceClips::WriteClip(const std::string& file, std::size_t count) {
    const std::string path = m_strFolder + "/" + file;
    const std::string temporary = path + ".part";
    const std::vector<std::uint8_t> header =
        WavHeader(static_cast<std::uint32_t>(count), kSampleRate);
    int cause = 0;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        cause = errno;
    } else {
        cause = WriteFully(fd, header.data(), header.size());
        if (cause == 0) {
            // Little-endian samples, as the WAV format and this machine both have them.
            cause = WriteFully(fd, m_clip.data(), count * sizeof(std::int16_t));
        }
        cause = CloseIntoPlace(fd, cause, temporary, path);
    }
    if (cause != 0) {
        Fail(path, cause);
    }
}

void CEvidenceClips::Fail(const std::string& path, int cause) {
    std::lock_guard lock(m_mutex);
    ++m_nFailures;
    m_strLastFailure = "cannot write \"" + path + "\" (" + CauseText(cause) + ")";
}

std::string CEvidenceClips::SafeName(const std::string& alarm) {
    std::string safe;
    for (const char c : alarm) {
        if (safe.size() == kMaxSafeName) {
            break;
        }
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                           (c == '.' && !safe.empty());
        safe += plain ? c : '_';
    }
    return safe.empty() ? "alarm" : safe;
}

std::vector<std::uint8_t> CEvidenceClips::WavHeader(std::uint32_t samples, std::uint32_t rate) {
    const auto header = tavik::WavHeader(1, rate, samples * 2);
    return {header.begin(), header.end()};
}

bool CEvidenceClips::IsClipName(const std::string& name) {
    // "YYYYMMDD-HHMMSS-" + at least one character + the extension
    const bool clip =
        name.ends_with(".wav") || name.ends_with(".sigmf-data") || name.ends_with(".sigmf-meta");
    return clip && name.size() > 16 + name.substr(name.rfind('.')).size() && IsDigits(name, 0, 8) &&
           name[8] == '-' && IsDigits(name, 9, 6) && name[15] == '-';
}

int CEvidenceClips::EnforceCap(const std::string& folder, std::uint64_t maxBytes,
                               const std::string& keep) {
    namespace fs = std::filesystem;
    std::vector<std::pair<std::string, std::uint64_t>> clips;
    std::uint64_t total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code sizeError;
        if (!IsClipName(name) || !it->is_regular_file(sizeError) || it->is_symlink(sizeError)) {
            continue;
        }
        const std::uint64_t size = it->file_size(sizeError);
        if (!sizeError) {
            clips.emplace_back(name, size);
            total += size;
        }
    }
    // The names begin with date and time, so their order is the clips' age.
    std::sort(clips.begin(), clips.end());
    int removed = 0;
    for (const auto& [name, size] : clips) {
        if (total <= maxBytes) {
            break;
        }
        std::error_code removeError;
        const bool kept = name.substr(0, name.rfind('.')) == keep;
        if (!kept && fs::remove(folder + "/" + name, removeError)) {
            total -= size;
            ++removed;
        }
    }
    return removed;
}

}  // namespace tavik

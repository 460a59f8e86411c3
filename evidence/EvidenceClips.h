#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "document/MpxTap.h"
#include "platform/Time.h"

namespace tavik {

// Keeps the MPX around alarm activations as WAV clips (200 kHz, mono, 16-bit PCM, the samples as
// the recordings store them) in a folder of their own.
//
// Threads: the ADC distribution thread copies each block into a ring of int16 samples
// (allocated once); the user-interface thread asks for a clip, which notes the ring position of
// the activation; the recorder's own writer thread waits until the seconds after the activation
// have arrived, copies the clip out of the ring and writes it. The ring, the position and the
// requests are shared under one mutex, held only for copies.
class CEvidenceClips final : public CMpxTap {
public:
    static constexpr int kSampleRate = 200000;
    // A clip's samples either side of the activation come from a ring that also holds two
    // seconds more, so a writer held up by the disk still finds the clip's beginning.
    static constexpr int kSpareSeconds = 2;

    // `folder` is made when missing; `maxBytes` caps the size of all clips in it together.
    CEvidenceClips(std::string folder, int seconds, std::uint64_t maxBytes);
    // Writes the clips still waiting with the samples there are, then ends the writer.
    ~CEvidenceClips() override;
    CEvidenceClips(const CEvidenceClips&) = delete;
    CEvidenceClips& operator=(const CEvidenceClips&) = delete;

    void OnMpxBlock(const float* samples, int count) override;

    // User-interface thread: begins the clip of an activation of `alarm` at `when`; returns the
    // clip's file name ("20261208-103007-Overmod.wav"), written `seconds` later.
    std::string Request(const std::string& alarm, CTime when);

    // Writes the clips still waiting now, with the samples there are (the measurement stopped).
    void Flush();

    // Clips that could not be written, and the cause of the last failure.
    int GetFailures() const;
    std::string GetLastFailure() const;

    // "Over mod/1" -> "Over_mod_1": letters, digits, '-', '_' and inner '.' stay; the rest, a
    // leading '.' included, becomes '_'; at most 64 characters; "alarm" for an empty name.
    static std::string SafeName(const std::string& alarm);

    // The 44-byte header of a mono 16-bit PCM WAV file with `samples` samples at `rate`.
    static std::vector<std::uint8_t> WavHeader(std::uint32_t samples, std::uint32_t rate);

    // Whether `name` has the form of a clip ("YYYYMMDD-HHMMSS-NAME.wav").
    static bool IsClipName(const std::string& name);

    // Removes the oldest clips of `folder` (by their names' date and time) until the clips
    // together take at most `maxBytes`; `keep` (the clip just written) always stays. Nothing but
    // clips is removed. Returns how many were removed.
    static int EnforceCap(const std::string& folder, std::uint64_t maxBytes,
                          const std::string& keep);

private:
    struct CRequest {
        std::string strFile;
        std::uint64_t nAt = 0;  // ring position of the activation
    };

    void Run();
    // Copies the clip of `request` out of the ring; the lock is held.
    std::size_t CopyClip(const CRequest& request);
    void WriteClip(const std::string& file, std::size_t count);
    std::string UniqueFile(const std::string& base) const;

    const std::string m_strFolder;
    const std::uint64_t m_nHalf;  // samples either side of the activation
    const std::uint64_t m_nMaxBytes;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::int16_t> m_ring;
    std::uint64_t m_nTotal = 0;  // samples written into the ring so far
    std::deque<CRequest> m_requests;
    bool m_bFlush = false;
    bool m_bQuit = false;
    int m_nFailures = 0;
    std::string m_strLastFailure;

    std::vector<std::int16_t> m_clip;  // the writer's copy, allocated once
    std::thread m_thread;
};

}  // namespace tavik

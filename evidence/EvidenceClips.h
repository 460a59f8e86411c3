#pragma once

#include <complex>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/IqTap.h"
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
//
// A live receiver's IQ goes to a second ring on its transfer thread; each clip then also keeps
// the IQ around the activation as SigMF (ci16_le data, and metadata with rate, centre, station,
// level calibration and an annotation for the alarm) that `--receiver iq:FILE.sigmf-meta`
// receives again. The IQ either side is capped at kMaxIqSeconds (the ring takes 4 bytes per
// sample at the stream's rate).
class CEvidenceClips final : public CMpxTap, public CIqTap {
public:
    static constexpr int kSampleRate = 200000;
    // A clip's samples either side of the activation come from a ring that also holds two
    // seconds more, so a writer held up by the disk still finds the clip's beginning.
    static constexpr int kSpareSeconds = 2;
    static constexpr int kMaxIqSeconds = 10;

    // `folder` is made when missing; `maxBytes` caps the size of all clips in it together.
    CEvidenceClips(std::string folder, int seconds, std::uint64_t maxBytes);
    // Writes the clips still waiting with the samples there are, then ends the writer.
    ~CEvidenceClips() override;
    CEvidenceClips(const CEvidenceClips&) = delete;
    CEvidenceClips& operator=(const CEvidenceClips&) = delete;

    void OnMpxBlock(const float* samples, int count) override;
    void OnIqStart(const CIqCapture& capture) override;
    void OnIq(const std::complex<float>* iq, int count) override;

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

    // Whether `name` has the form of a clip's file ("YYYYMMDD-HHMMSS-NAME" with ".wav",
    // ".sigmf-data" or ".sigmf-meta").
    static bool IsClipName(const std::string& name);

    // The SigMF metadata of an IQ clip of `samples` samples whose alarm went active at
    // `activation`.
    static std::string SigmfMeta(const CIqCapture& capture, const std::string& alarm,
                                 std::uint64_t activation, std::uint64_t samples);

    // Removes the oldest clips of `folder` (by their names' date and time) until the clips
    // together take at most `maxBytes`; the files of the clip `keep` (just written, the name
    // without extension) always stay. Nothing but clips is removed. Returns how many files were
    // removed.
    static int EnforceCap(const std::string& folder, std::uint64_t maxBytes,
                          const std::string& keep);

private:
    struct CRequest {
        std::string strFile;
        std::string strAlarm;
        std::uint64_t nAt = 0;  // ring position of the activation
        bool bIq = false;       // an IQ stream ran at the activation
        std::uint64_t nIqAt = 0;
        CIqCapture capture;
    };

    void Run();
    // Copies the clip of `request` out of the ring; the lock is held.
    std::size_t CopyClip(const CRequest& request);
    void WriteClip(const std::string& file, std::size_t count);
    bool IqReady(const CRequest& request) const;
    // Writes the IQ of `request` as SigMF, copying it out of the ring piece by piece.
    void WriteIq(const CRequest& request);
    // The errno of writing the IQ between ring positions [from, to) to `path`, else 0.
    int WriteIqData(const std::string& path, std::uint64_t from, std::uint64_t to);
    void Fail(const std::string& path, int cause);
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

    const int m_nIqSeconds;
    std::vector<std::uint8_t> m_iqRing;  // ci16_le pairs; made at the stream's first start
    std::uint64_t m_nIqHalf = 0;         // IQ samples either side of the activation
    std::uint64_t m_nIqTotal = 0;
    std::uint64_t m_nIqStreamStart = 0;  // the ring's IQ before this is an earlier stream's
    bool m_bIq = false;
    CIqCapture m_capture;
    std::vector<std::uint8_t> m_iqPiece;  // the writer's piece of IQ, allocated once
    std::thread m_thread;
};

}  // namespace tavik

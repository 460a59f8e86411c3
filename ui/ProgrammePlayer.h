#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QAudioDevice>
#include <QIODevice>
#include <QObject>
#include <QString>

#include "analysis/MpxLevels.h"
#include "dsp/ProgrammeResampler.h"
#include "ui/SampleRing.h"

class QAudioSink;

namespace tavik {

// One 48 kHz frame of the programme as the audio output takes it (16-bit, left first).
struct SStereoFrame {
    std::int16_t left = 0;
    std::int16_t right = 0;
};

// The audio output's side of the ring: a sequential device read in pull mode on the
// user-interface thread; what the ring lacks (an underrun) reads as silence, so the output
// never stops for want of data. The programme comes in blocks (100 ms each): after an underrun
// (and at first) the device reads silence until `primeFrames` wait, so that the next block
// arrives before these have played.
class CRingDevice final : public QIODevice {
    Q_OBJECT

public:
    CRingDevice(CSampleRing<SStereoFrame>& ring, std::size_t primeFrames)
        : m_ring(ring), m_nPrimeFrames(primeFrames) {}

    bool isSequential() const override { return true; }
    // Opening waits for the ring to fill again.
    bool open(OpenMode mode) override {
        m_bPrimed = false;
        return QIODevice::open(mode);
    }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* /*data*/, qint64 /*size*/) override { return -1; }

private:
    CSampleRing<SStereoFrame>& m_ring;
    const std::size_t m_nPrimeFrames;
    bool m_bPrimed = false;
};

// Listening to the measured station: the MPX level analysis hands its decoded, de-emphasised
// programme to OnProgramme on the analysis thread, which resamples it to 48 kHz 16-bit stereo
// into a ring of about half a second (when full the newest audio is dropped: the analysis never
// waits); an audio sink pulls the ring on the user-interface thread. Start and Stop on the
// user-interface thread.
class CProgrammePlayer final : public QObject, public IProgrammeListener {
    Q_OBJECT

public:
    static constexpr int kRingFrames = CProgrammeResampler::kOutputRate / 2;
    static constexpr int kPrimeFrames = CProgrammeResampler::kOutputRate * 3 / 20;  // 150 ms
    static constexpr int kChunk = 4096;  // programme samples resampled at a time
    static constexpr const char* kNoDevice = "No audio output device";

    explicit CProgrammePlayer(CMpxLevels& levels, QObject* parent = nullptr);
    ~CProgrammePlayer() override;
    CProgrammePlayer(const CProgrammePlayer&) = delete;
    CProgrammePlayer& operator=(const CProgrammePlayer&) = delete;

    // Plays to `device`; empty when it plays, else why not (nothing is left running).
    QString Start(const QAudioDevice& device);
    // Detaches from the analysis first (no call runs after it), then stops the output.
    void Stop();
    bool IsPlaying() const { return m_pSink != nullptr; }

    void OnProgramme(const float* left, const float* right, int count) override;

    const CSampleRing<SStereoFrame>& GetRing() const { return m_ring; }

signals:
    // The output stopped by itself while playing (device gone, I/O error); the player has
    // stopped too.
    void Failed(const QString& why);

private:
    void OnSinkState();

    CMpxLevels& m_levels;
    CProgrammeResampler m_resampler;  // the analysis thread's while listening
    CSampleRing<SStereoFrame> m_ring;
    std::vector<std::int16_t> m_pcm;     // interleaved output of one chunk (analysis thread)
    std::vector<SStereoFrame> m_frames;  // the same as frames
    CRingDevice m_device;
    std::unique_ptr<QAudioSink> m_pSink;
};

}  // namespace tavik

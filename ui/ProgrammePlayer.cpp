#include "ui/ProgrammePlayer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <QAudioFormat>
#include <QAudioSink>

namespace tavik {

namespace {

constexpr qint64 kFrameBytes = sizeof(SStereoFrame);
constexpr std::size_t kReadFrames = 1024;

QString SinkFault(QAudio::Error error) {
    switch (error) {
        case QAudio::OpenError:
            return QStringLiteral("The audio output could not be opened");
        case QAudio::IOError:
            return QStringLiteral("The audio output failed (input/output error)");
        case QAudio::FatalError:
            return QStringLiteral("The audio output failed and is not usable");
        case QAudio::UnderrunError:
        case QAudio::NoError:
            break;
    }
    return {};
}

}  // namespace

static_assert(sizeof(SStereoFrame) == 4);

qint64 CRingDevice::bytesAvailable() const {
    return static_cast<qint64>(m_ring.Size()) * kFrameBytes + QIODevice::bytesAvailable();
}

qint64 CRingDevice::readData(char* data, qint64 maxSize) {
    const qint64 frames = maxSize / kFrameBytes;
    m_bPrimed = m_bPrimed || m_ring.Size() >= m_nPrimeFrames;
    if (!m_bPrimed) {
        std::memset(data, 0, static_cast<std::size_t>(frames * kFrameBytes));
        return frames * kFrameBytes;
    }
    std::array<SStereoFrame, kReadFrames> chunk;
    qint64 done = 0;
    while (done < frames) {
        const auto count = static_cast<std::size_t>(
            std::min<qint64>(frames - done, static_cast<qint64>(kReadFrames)));
        if (m_ring.Read(chunk.data(), count) < count) {
            m_bPrimed = false;  // ran dry: wait for the next blocks
        }
        std::memcpy(data + done * kFrameBytes, chunk.data(),
                    count * static_cast<std::size_t>(kFrameBytes));
        done += static_cast<qint64>(count);
    }
    return frames * kFrameBytes;
}

CProgrammePlayer::CProgrammePlayer(CMpxLevels& levels, QObject* parent)
    : QObject(parent),
      m_levels(levels),
      m_resampler(CMpxLevels::FullScale()),
      m_ring(kRingFrames),
      m_pcm(static_cast<std::size_t>(CProgrammeResampler::MaxFrames(kChunk)) * 2),
      m_frames(static_cast<std::size_t>(CProgrammeResampler::MaxFrames(kChunk))),
      m_device(m_ring, kPrimeFrames) {}

CProgrammePlayer::~CProgrammePlayer() {
    Stop();
}

QString CProgrammePlayer::Start(const QAudioDevice& device) {
    Stop();
    if (device.isNull()) {
        return QString::fromLatin1(kNoDevice);
    }
    QAudioFormat format;
    format.setSampleRate(CProgrammeResampler::kOutputRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        return QStringLiteral("The audio output \"%1\" does not take 48 kHz 16-bit stereo")
            .arg(device.description());
    }
    m_resampler.Reset();  // no listener runs: the analysis thread does not hold it
    m_ring.Clear();       // nothing of an earlier listening
    m_device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);  // no read-ahead of silence
    m_pSink = std::make_unique<QAudioSink>(device, format);
    m_pSink->start(&m_device);
    if (const QString fault = SinkFault(m_pSink->error());
        !fault.isEmpty() || m_pSink->state() == QAudio::StoppedState) {
        Stop();
        return fault.isEmpty() ? QStringLiteral("The audio output did not start") : fault;
    }
    // Queued: the sink is not destroyed inside its own signal.
    connect(
        m_pSink.get(), &QAudioSink::stateChanged, this, [this] { OnSinkState(); },
        Qt::QueuedConnection);
    m_levels.SetProgrammeListener(this);
    return {};
}

void CProgrammePlayer::Stop() {
    m_levels.SetProgrammeListener(nullptr);  // returns once no OnProgramme runs
    if (m_pSink) {
        m_pSink->disconnect(this);
        m_pSink->stop();
        m_pSink.reset();
    }
    m_device.close();
}

void CProgrammePlayer::OnSinkState() {
    if (!m_pSink || m_pSink->state() != QAudio::StoppedState) {
        return;
    }
    const QString fault = SinkFault(m_pSink->error());
    Stop();
    emit Failed(fault.isEmpty() ? QStringLiteral("The audio output stopped") : fault);
}

void CProgrammePlayer::OnProgramme(const float* left, const float* right, int count) {
    for (int offset = 0; offset < count; offset += kChunk) {
        const int n = std::min(kChunk, count - offset);
        const int frames = m_resampler.Process(left + offset, right + offset, n, m_pcm.data());
        for (int i = 0; i < frames; ++i) {
            m_frames[static_cast<std::size_t>(i)] = {m_pcm[static_cast<std::size_t>(2 * i)],
                                                     m_pcm[static_cast<std::size_t>(2 * i + 1)]};
        }
        m_ring.Write(m_frames.data(), static_cast<std::size_t>(frames));
    }
}

}  // namespace tavik

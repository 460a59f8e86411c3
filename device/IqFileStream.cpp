#include "device/IqFileStream.h"

#include <chrono>
#include <cstring>

namespace tavik {

namespace {

CIqSourceSettings AtCentre(CIqSourceSettings settings) {
    settings.station.reset();  // any station: only the capture's own figures are taken
    return settings;
}

}  // namespace

CFmReceiverSettings CIqFileStream::CaptureSettings(const CIqSourceSettings& settings) {
    return CIqFileSource(AtCentre(settings)).ReceiverSettings();
}

CIqFileStream::CIqFileStream(const CIqSourceSettings& settings, const std::atomic<bool>& running,
                             CPacer& clock)
    : m_strFile(settings.strFile), m_running(running), m_clock(clock) {
    const CIqFileSource capture(AtCentre(settings));
    m_strDataPath = capture.DataPath();
    m_format = capture.Format();
    m_fRate = capture.ReceiverSettings().fSampleRate;
}

void CIqFileStream::Open(const CIqTuning&) {
    if (const int cause = m_file.Open(m_strDataPath, CFile::modeRead); cause != 0) {
        throw CIqStreamError("cannot read the IQ data \"" + m_strDataPath +
                             "\": " + std::strerror(cause));
    }
    m_start = m_clock.Now();
    m_nDelivered = 0;
    m_bWrapped = m_bBreak = false;
}

int CIqFileStream::Read(std::complex<float>* iq, int count) {
    if (!m_running.load()) {
        return 0;
    }
    // The samples are handed out when the air would have brought them.
    const auto due =
        m_start + std::chrono::duration_cast<CPacer::Time>(std::chrono::duration<double>(
                      static_cast<double>(m_nDelivered + count) / m_fRate));
    m_clock.SleepUntil(due);
    const std::size_t bytes = IqSampleBytes(m_format);
    m_raw.resize(static_cast<std::size_t>(count) * bytes);
    std::size_t read = 0;
    for (int attempt = 0; attempt < 2 && read < bytes; ++attempt) {
        if (const int cause = m_file.Read(m_raw.data(), m_raw.size(), read); cause != 0) {
            throw CIqStreamError("cannot read the IQ data \"" + m_strDataPath +
                                 "\": " + std::strerror(cause));
        }
        if (read < bytes) {
            m_file.Seek(0);  // its end: from the start again
            m_bWrapped = true;
        } else if (m_bWrapped) {
            m_bWrapped = false;
            m_bBreak = true;
        }
    }
    if (read < bytes) {
        throw CIqStreamError("the IQ data \"" + m_strDataPath + "\" holds no sample");
    }
    const auto samples = static_cast<int>(read / bytes);
    ConvertIq(m_format, m_raw.data(), static_cast<std::size_t>(samples), iq);
    m_nDelivered += samples;
    return samples;
}

}  // namespace tavik

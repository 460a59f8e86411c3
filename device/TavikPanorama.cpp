#include <cmath>
#include <cstdint>
#include <string>

#include "device/ReceiverCommands.h"
#include "device/TavikControl.h"
#include "platform/GenericException.h"

namespace tavik {

// With an IQ source the panorama is measured in its IQ: disabling start-of-frame sets the
// reading up, enabling it ends it.
void CTavikControl::OpenIqPanorama() {
    const std::string name = UsesLive() ? m_liveSettings->strName : "iq:" + m_iqSettings->strFile;
    try {
        if (UsesLive()) {
            m_bPanoramaOpen.store(true);
            const CLiveSourceSettings kept = KeptLiveSettings();
            m_pIqPanorama = MakeLivePanorama(kept, *kept.fullScale, m_bPanoramaOpen);
        } else {
            m_pIqPanorama = MakeIqFilePanorama(*m_iqSettings);
        }
    } catch (const std::exception& e) {
        throw CTavikControlException("SetSOF: " + name + ": " + e.what() + "\n", 0);
    }
}

bool CTavikControl::SetSOF(bool enable) {
    if (UsesIq() || UsesLive()) {
        if (!enable) {
            OpenIqPanorama();
        } else {
            m_bPanoramaOpen.store(false);
            m_pIqPanorama.reset();
        }
        return true;
    }
    if (!UsesRecordings()) {
        SendCommand({CMD_SOF, static_cast<std::uint8_t>(enable ? 1 : 0)});
        return true;
    }
    // Disabling start-of-frame begins a panorama scan: the panorama recording is opened.
    if (!enable) {
        OpenPlaybackFile(m_panoramaFile, "panormama.dat");
    } else if (m_panoramaFile.IsOpen()) {
        const std::string name = m_panoramaFile.GetFileName();
        if (const int cause = m_panoramaFile.Close(); cause != 0) {
            throw CTavikControlException(StringFormat("Could not close file \"%s\" (%s)\n",
                                                      name.c_str(), CauseText(cause).c_str()),
                                         0);
        }
    }
    return true;
}

bool CTavikControl::GetPanoramaData(float out[32]) {
    if (m_pIqPanorama) {
        if (!UsesLive()) {
            m_pPanoramaPacer->Sleep(
                std::chrono::milliseconds(40));  // a live reading takes its time
        }
        // To the kHz: the tuner frequency in MHz as a float is off by some Hz.
        const double frequency = std::round(static_cast<double>(m_fFrequency) * 1e3) * 1e3;
        try {
            return m_pIqPanorama->Measure(frequency, out);
        } catch (const std::exception& e) {
            throw CTavikControlException(std::string("GetPanoramaData: ") + e.what() + "\n", 0);
        }
    }
    m_pPanoramaPacer->Sleep(std::chrono::milliseconds(40));  // settling time of one reading
    std::uint8_t raw[2] = {0, 0};
    if (UsesRecordings()) {
        // One 16-bit reading per 25 kHz step from 87.5 MHz, in single precision.
        const float index = 2.0f * (m_fFrequency - 87.5f) / 0.025f + 0.5f;
        const auto offset = static_cast<off_t>(static_cast<std::int32_t>(index));
        if (const int cause = m_panoramaFile.Seek(offset); cause != 0) {
            throw CTavikControlException(
                StringFormat("Could not set pointer in file \"%s\" (%s)\n",
                             m_panoramaFile.GetFileName().c_str(), CauseText(cause).c_str()),
                0);
        }
        std::size_t read = 0;
        if (const int cause = m_panoramaFile.Read(raw, 2, read); cause != 0) {
            throw CTavikControlException(
                StringFormat("Could not read from file \"%s\" (%s)\n",
                             m_panoramaFile.GetFileName().c_str(), CauseText(cause).c_str()),
                0);
        }
        if (read < 2) {
            throw CTavikControlException("Not enough data in panorama.dat", 0);
        }
    } else {
        SendCommand({CMD_PANORAMA});
        if (!m_pLink->BulkRead(kAnswerPipe, raw, 2)) {
            throw CTavikControlException("TransmitToEZUSB: No answer from hardware\n", 0);
        }
    }
    const float level =
        ScaleLevel(static_cast<float>(static_cast<std::int16_t>(raw[0] | raw[1] << 8)));
    for (int i = 0; i < 32; ++i) {
        out[i] = level;
    }
    return true;
}

}  // namespace tavik

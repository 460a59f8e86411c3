// The transfers of CTavikControl from an IQ recording through the software receiver.
#include <array>
#include <cstring>
#include <vector>

#include "device/TavikControl.h"
#include "platform/Cadence.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr auto kBlockPeriod = std::chrono::milliseconds(100);

}  // namespace

void CTavikControl::StartIqSource(HWND hwndNotify) {
    CIqSourceSettings settings = *m_iqSettings;
    if (!settings.station && m_fFrequency > 0.0f) {
        settings.station = static_cast<double>(m_fFrequency) * 1e6;
    }
    try {
        m_pIqSource = std::make_unique<CIqFileSource>(settings);
    } catch (const CIqSourceError& e) {
        throw CTavikControlException(std::string("StartADCTransfer: ") + e.what() + "\n", 0);
    }
    m_pIqSource->SetStopRequest([this] { return !m_bADCRunning.load(); });
    m_pAdcPacer->Reset();
    // One thread does both: the RDS bits come out of the same receiver as the samples.
    m_bADCRunning.store(true);
    try {
        m_ADCThread = std::thread([this, hwndNotify] { IqTransfer(hwndNotify); });
    } catch (const std::system_error&) {
        m_bADCRunning.store(false);
        throw CTavikControlException("StartADCTransfer: Could not start ADCTransfer thread\n", 0);
    }
}

// Every 100 ms one block of the receiver's output; the RDS chunks as their bits complete. At
// the end of the recording it starts again from its beginning, as playback loops.
void CTavikControl::IqTransfer(HWND hwndNotify) {
    CCadence cadence(*m_pAdcPacer, 1, kBlockPeriod);
    std::vector<float> mpx(GLOBAL_SAMPLE_BUFSIZE);  // once per run, not per block
    std::vector<float> level(GLOBAL_SAMPLE_BUFSIZE);
    RdsBlock chunk{};
    CReceivedFigures received;
    try {
        while (m_bADCRunning.load()) {
            cadence.WaitNext();
            if (!m_bADCRunning.load()) {
                break;
            }
            if (!m_pIqSource->ReadBlock(mpx.data(), level.data(), &received)) {
                if (m_bADCRunning.load()) {
                    m_pIqSource->Rewind();
                }
                continue;
            }
            PublishBlock(mpx.data(), level.data(), &received);
            while (m_pIqSource->ReadRdsChunk(chunk.data())) {
                PublishRdsChunk(chunk.data());
            }
        }
    } catch (const CIqSourceError& e) {
        if (hwndNotify != nullptr) {
            const CTavikControlException error(std::string("IqTransfer: ") + e.what() + "\n", 0);
            hwndNotify->PostMessage(WM_TRANSFER_ERROR,
                                    static_cast<std::uintptr_t>(error.GetErrorId()),
                                    error.GetSubId());
        }
        m_bADCRunning.store(false);
    }
}

}  // namespace tavik

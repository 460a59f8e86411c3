// The transfers of CTavikControl from a live IQ stream through the software receiver.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device/IqStream.h"
#include "device/TavikControl.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr auto kFirstRetry = std::chrono::milliseconds(500);
constexpr auto kLongestRetry = std::chrono::milliseconds(8000);
// Lost samples are told at most this often, with the counts since the start.
constexpr auto kDropNoticePeriod = std::chrono::seconds(10);

}  // namespace

std::string CTavikControl::ReceptionNotice() const {
    const std::lock_guard lock(m_noticeMutex);
    return m_strReceptionNotice;
}

std::string CTavikControl::ReceptionLoss() const {
    const std::lock_guard lock(m_noticeMutex);
    return m_strReceptionLoss;
}

void CTavikControl::SetLiveSource(std::optional<CLiveSourceSettings> settings,
                                  const std::string& folder) {
    m_liveSettings = std::move(settings);
    m_pStore = m_liveSettings ? std::make_unique<CReceiverStore>(folder, m_liveSettings->strName)
                              : nullptr;
}

// The settings with the level calibration and the frequency correction they give kept for the
// receiver, and those kept where they give none (the calibration always set).
CLiveSourceSettings CTavikControl::KeptLiveSettings() {
    CLiveSourceSettings settings = *m_liveSettings;
    const auto unkept = [this](const std::string& what) {
        return std::runtime_error("the " + what + " cannot be kept in \"" + m_pStore->Path() +
                                  "\"");
    };
    if (settings.fullScale && settings.fullScale != m_pStore->FullScale() &&
        !m_pStore->SetFullScale(*settings.fullScale)) {
        throw unkept("level calibration");
    }
    if (settings.ppm && settings.ppm != m_pStore->Ppm() && !m_pStore->SetPpm(*settings.ppm)) {
        throw unkept("frequency correction");
    }
    settings.fullScale = m_pStore->FullScale().value_or(CFmReceiver::kDefaultFullScaleDbuv);
    settings.ppm = m_pStore->Ppm();
    return settings;
}

void CTavikControl::StartLiveSource(HWND hwndNotify) {
    const CLiveSourceSettings& settings = *m_liveSettings;
    // To the kHz: the tuner frequency in MHz as a float is off by some Hz, and the device
    // should be told the frequency that was meant.
    const double station =
        std::round(settings.station.value_or(static_cast<double>(m_fFrequency) * 1e6) / 1e3) * 1e3;
    try {
        // Nothing here waits on the network: connecting is the thread's first step.
        const CLiveSourceSettings kept = KeptLiveSettings();
        m_pLiveSource =
            std::make_unique<CLiveIqSource>(kept, station, *kept.fullScale, m_bADCRunning);
    } catch (const std::exception& e) {
        throw CTavikControlException(
            std::string("StartADCTransfer: ") + settings.strName + ": " + e.what() + "\n", 0);
    }
    m_pAdcPacer->Reset();  // times the retries
    {
        const std::lock_guard lock(m_noticeMutex);
        m_strReceptionLoss.clear();
    }
    m_bAwaitingReception.store(true);
    m_bADCRunning.store(true);
    try {
        m_ADCThread = std::thread([this, hwndNotify] { LiveTransfer(hwndNotify); });
    } catch (const std::system_error&) {
        m_bADCRunning.store(false);
        throw CTavikControlException("StartADCTransfer: Could not start ADCTransfer thread\n", 0);
    }
}

void CTavikControl::NoticeReception(HWND hwndNotify, int subId, const std::string& text) {
    {
        const std::lock_guard lock(m_noticeMutex);
        m_strReceptionNotice = text;
    }
    if (hwndNotify != nullptr) {
        // The text travels with the notice: a later one may replace the kept text first.
        hwndNotify->PostMessage(CMessage{WM_TRANSFER_ERROR,
                                         static_cast<std::uintptr_t>(EXC_TAVIKCONTROL),
                                         subId,
                                         {},
                                         std::make_shared<const std::string>(text)});
    }
}

void CTavikControl::PublishBlock(const float* mpx, const float* level,
                                 const CReceivedFigures* received) {
    if (SampleHalf* half = m_samples.BeginWrite()) {
        half->received.reset();
        if (received != nullptr) {
            half->received = *received;
        }
        std::memcpy(half->mpx.data(), mpx, sizeof(float) * GLOBAL_SAMPLE_BUFSIZE);
        std::memcpy(half->level.data(), level, sizeof(float) * GLOBAL_SAMPLE_BUFSIZE);
        half->mpxCount = GLOBAL_SAMPLE_BUFSIZE;
        half->levelCount = GLOBAL_SAMPLE_BUFSIZE;
        m_samples.EndWrite(true);
        PostThreadMessage(m_dwADCThreadID.load(), WM_ADC_BLOCK_READY);
    }
}

void CTavikControl::PublishRdsChunk(const std::uint8_t* chunk) {
    if (RdsBlock* target = m_rds.BeginWrite()) {
        std::memcpy(target->data(), chunk, RDS_BLOCK_BYTES);
        m_rds.EndWrite(true);
        PostThreadMessage(m_dwRDSThreadID.load(), WM_RDS_BLOCK_READY);
    }
}

// Blocks as the stream delivers them. When the stream breaks, or cannot be had at the start,
// the connection is tried again after 0.5, 1, 2, 4, then every 8 s. Reception counts as back
// only with a whole block: a server that greets and then fails is not a return, and keeps the
// back-off. Each cause of a loss is told once while the loss lasts, the return once.
void CTavikControl::LiveTransfer(HWND hwndNotify) {
    std::vector<float> mpx(GLOBAL_SAMPLE_BUFSIZE);  // once per run, not per block
    std::vector<float> level(GLOBAL_SAMPLE_BUFSIZE);
    RdsBlock chunk{};
    CReceivedFigures received;
    CLiveIqSource& source = *m_pLiveSource;
    std::set<std::string> told;  // the causes told since blocks last came
    auto retry = kFirstRetry;
    std::int64_t droppedSamples = 0;
    std::int64_t overflows = 0;
    auto lastDropNotice = std::chrono::steady_clock::now() - kDropNoticePeriod;
    try {
        while (m_bADCRunning.load()) {
            try {
                if (!source.IsOpen()) {
                    source.Open();
                    if (!source.IsOpen()) {
                        break;  // stopped while connecting
                    }
                }
                if (!source.ReadBlock(mpx.data(), level.data(), &received)) {
                    continue;
                }
                PublishBlock(mpx.data(), level.data(), &received);
                if (m_bAwaitingReception.exchange(false)) {
                    if (!told.empty()) {
                        NoticeReception(hwndNotify, SUBID_RECEPTION_BACK,
                                        "reception from " + source.Address() + " resumed");
                        told.clear();
                    }
                    retry = kFirstRetry;
                }
                const auto [samples, events] = source.TakeDropped();
                droppedSamples += samples;
                overflows += events;
                const auto now = std::chrono::steady_clock::now();
                if ((samples > 0 || events > 0) && now - lastDropNotice >= kDropNoticePeriod) {
                    lastDropNotice = now;
                    NoticeReception(hwndNotify, SUBID_SAMPLES_DROPPED,
                                    source.Address() + ": " + std::to_string(overflows) +
                                        " overflows and " + std::to_string(droppedSamples) +
                                        " samples lost so far");
                }
                while (source.ReadRdsChunk(chunk.data())) {
                    PublishRdsChunk(chunk.data());
                }
            } catch (const CIqStreamError& e) {
                source.Close();
                m_bAwaitingReception.store(true);
                if (told.insert(e.what()).second) {
                    {
                        const std::lock_guard lock(m_noticeMutex);
                        m_strReceptionLoss = e.what();
                    }
                    NoticeReception(hwndNotify, SUBID_RECEPTION_LOST,
                                    std::string(e.what()) + "; reconnecting");
                }
                m_pAdcPacer->Sleep(std::chrono::duration_cast<std::chrono::milliseconds>(retry));
                retry = std::min(retry * 2, kLongestRetry);
            }
        }
    } catch (...) {
        EndTransferOnFailure(hwndNotify);  // anything else
    }
    source.Close();
}

}  // namespace tavik

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

constexpr std::chrono::milliseconds kFirstRetry(500);
constexpr std::chrono::milliseconds kLongestRetry(8000);
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
    if (!settings.bKeep) {
        settings.fullScale = settings.fullScale.value_or(CFmReceiver::kDefaultFullScaleDbuv);
        return settings;
    }
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
        m_pLiveSource = std::make_unique<CLiveIqSource>(kept, station, *kept.fullScale,
                                                        m_bADCRunning, m_pStreamClock);
        m_pLiveSource->SetIqTap(m_pIqTap);
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
    m_bOffPace.store(false);
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

// What the live transfer keeps from block to block.
struct CTavikControl::SLiveState {
    std::set<std::string> told;  // the causes of the loss told since blocks last came
    std::chrono::milliseconds retry = kFirstRetry;
    std::int64_t nDroppedSamples = 0;
    std::int64_t nOverflows = 0;
    std::chrono::steady_clock::time_point lastDropNotice =
        std::chrono::steady_clock::now() - kDropNoticePeriod;
};

// Blocks as the stream delivers them. When the stream breaks, or cannot be had at the start,
// the connection is tried again after 0.5, 1, 2, 4, then every 8 s. A stream off its rate is
// kept open, but its blocks are not handed on while it is. Reception counts as back only with a
// whole block handed on: a server that greets and then fails is not a return, and keeps the
// back-off. Each cause of a loss is told once while the loss lasts, the return once.
void CTavikControl::LiveTransfer(HWND hwndNotify) {
    std::vector<float> mpx(GLOBAL_SAMPLE_BUFSIZE);  // once per run, not per block
    std::vector<float> level(GLOBAL_SAMPLE_BUFSIZE);
    RdsBlock chunk{};
    CReceivedFigures received;
    CLiveIqSource& source = *m_pLiveSource;
    SLiveState state;
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
                TellDrops(hwndNotify, state);  // before the pace, which counts them
                if (const std::string fault = source.PaceFault(); !fault.empty()) {
                    // Its blocks do not hold the air's time: none is measured.
                    m_bOffPace.store(true);
                    m_bAwaitingReception.store(true);
                    TellLoss(hwndNotify, state, "pace", fault,
                             fault + "; not measured until it keeps its rate");
                    while (source.ReadRdsChunk(chunk.data())) {
                    }
                    continue;
                }
                m_bOffPace.store(false);
                PublishBlock(mpx.data(), level.data(), &received);
                if (m_bAwaitingReception.exchange(false)) {
                    if (!state.told.empty()) {
                        NoticeReception(hwndNotify, SUBID_RECEPTION_BACK,
                                        "reception from " + source.Address() + " resumed");
                        state.told.clear();
                    }
                    state.retry = kFirstRetry;
                }
                while (source.ReadRdsChunk(chunk.data())) {
                    PublishRdsChunk(chunk.data());
                }
            } catch (const CIqStreamError& e) {
                source.Close();
                m_bOffPace.store(false);
                m_bAwaitingReception.store(true);
                TellLoss(hwndNotify, state, e.what(), e.what(),
                         std::string(e.what()) + "; reconnecting");
                m_pAdcPacer->Sleep(state.retry);
                state.retry = std::min(state.retry * 2, kLongestRetry);
            }
        }
    } catch (...) {
        EndTransferOnFailure(hwndNotify);  // anything else
    }
    source.Close();
}

// Samples the receiver lost, told at most every kDropNoticePeriod with the counts so far.
void CTavikControl::TellDrops(HWND hwndNotify, SLiveState& state) {
    const auto [samples, events] = m_pLiveSource->TakeDropped();
    state.nDroppedSamples += samples;
    state.nOverflows += events;
    const auto now = std::chrono::steady_clock::now();
    if ((samples > 0 || events > 0) && now - state.lastDropNotice >= kDropNoticePeriod) {
        state.lastDropNotice = now;
        NoticeReception(hwndNotify, SUBID_SAMPLES_DROPPED,
                        m_pLiveSource->Address() + ": " + std::to_string(state.nOverflows) +
                            " overflows and " + std::to_string(state.nDroppedSamples) +
                            " samples lost so far");
    }
}

// A loss, told once while it lasts under `key`: `cause` is kept as the loss, `notice` posted.
void CTavikControl::TellLoss(HWND hwndNotify, SLiveState& state, const std::string& key,
                             const std::string& cause, const std::string& notice) {
    if (!state.told.insert(key).second) {
        return;
    }
    {
        const std::lock_guard lock(m_noticeMutex);
        m_strReceptionLoss = cause;
    }
    NoticeReception(hwndNotify, SUBID_RECEPTION_LOST, notice);
}

}  // namespace tavik

#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "device/BlockExchange.h"
#include "device/IqFileSource.h"
#include "device/IqPanorama.h"
#include "device/IqStream.h"
#include "device/LiveIqSource.h"
#include "device/ReceiverStore.h"
#include "platform/File.h"
#include "platform/MessageTarget.h"
#include "platform/Pacer.h"
#include "platform/ReceiverLink.h"
#include "platform/SampleBlock.h"
#include "platform/Thread.h"

namespace tavik {

constexpr int RDS_BLOCK_BYTES = 100;       // raw RDS bytes per transfer block
constexpr int ALARM_OUTPUT_ALL = 10;       // SetAlarmOutput: every output at once
constexpr std::uint32_t kCommandPipe = 2;  // bulk write pipe
constexpr std::uint32_t kAnswerPipe = 1;   // bulk read pipe

// The measurement receiver. Without a link it serves every operation from the recordings in
// its data folder ("mpx.dat", "lev.dat", "rds.dat", "panormama.dat"); with a link it sends the
// operations as framed commands. Failures throw CTavikControlException with sub-ID 0.
class CTavikControl {
public:
    CTavikControl();
    ~CTavikControl();  // stops the transfers
    CTavikControl(const CTavikControl&) = delete;
    CTavikControl& operator=(const CTavikControl&) = delete;

    // Link and tuner (called from one thread at a time).
    void Open();
    void Close();
    bool IsOpen() const { return m_bOpen; }
    bool InitHardware();
    bool ConfigureHardware(int first, int second);
    bool SetTunerFrequency(float megahertz);
    float GetTunerFrequency() const { return m_fFrequency; }
    bool SetAntenna(int antenna);
    bool SetAlarmOutput(int output, bool on);
    bool IsRemoteState();
    bool SetSOF(bool enable);
    // False only when a live reading was ended by AbortPanorama: `out` holds no reading.
    bool GetPanoramaData(float out[32]);
    // Ends a live panorama reading's waits (connecting, samples) soon; from any thread.
    void AbortPanorama() { m_bPanoramaOpen.store(false); }
    bool GetEEPROMData(std::uint8_t* buffer, std::uint8_t address, std::uint8_t length);
    bool SetEEPROMData(const std::uint8_t* buffer, std::uint8_t address, std::uint8_t length);

    // Command framing over the link.
    bool AddCommandByte(std::uint8_t byte);
    void ResetCommand() { m_nCommandLength = 0; }
    std::uint8_t GetCommandLength() const { return m_nCommandLength; }
    const std::uint8_t* GetCommand() const { return m_Command.data(); }
    bool TransmitToEZUSB();

    // Transfers (Start/Stop on the controlling thread; Get* on the distribution threads).
    bool StartADCTransfer(HWND hwndNotify);
    bool StopTransfer();
    void GetADCData(float* mpx, int& mpxCount, float* level, int& levelCount);
    // The same, with what a software receiver gave with the block (nothing for a recording).
    void GetADCData(float* mpx, int& mpxCount, float* level, int& levelCount,
                    std::optional<CReceivedFigures>& received);
    void GetRDSData(std::uint8_t* data, int& count);
    void SetADCThreadID(ThreadId id) { m_dwADCThreadID.store(id); }
    void SetRDSThreadID(ThreadId id) { m_dwRDSThreadID.store(id); }
    bool IsADCRunning() const { return m_bADCRunning.load(); }
    bool IsRDSRunning() const { return m_bRDSRunning.load(); }

    static float ScaleLevel(float raw);

    // Source and pace. A null link selects the recordings; the folder is where they are read
    // ("" = working directory); the pacers set the pace of the transfer and panorama waits.
    void SetLink(CReceiverLink* link) { m_pLink = link; }
    // No link: the commands succeed without effect and the samples come from the recordings (or
    // from an IQ source or live receiver when one is set).
    bool UsesRecordings() const { return m_pLink == nullptr; }
    void SetDataFolder(const std::string& folder) { m_strDataFolder = folder; }
    // Why the recordings cannot be played from `folder` ("" the working directory), named
    // after the folder in its whole path: "The recordings folder "/srv/rec" does not exist",
    // "... is not a folder", "... holds no mpx.dat" (the missing ones, "... holds no recordings
    // (mpx.dat, lev.dat and rds.dat)" for all three); "" when the three are there (whether they
    // can be read, the start finds out). StartADCTransfer refuses with it.
    static std::string RecordingsFolderFault(const std::string& folder);
    // Transfer cycles in a row without a sample block after which the source counts as
    // failed (30: 3 s); 0 never gives up. Set before StartADCTransfer.
    void SetStallLimit(int cycles) { m_nStallLimit = cycles; }
    static constexpr int DEFAULT_STALL_LIMIT = 30;
    void SetPacers(CPacer* adc, CPacer* rds, CPacer* panorama);
    // With settings, the transfers receive this IQ recording through the software receiver
    // (tuned to the tuner frequency when one was set) instead of playing the recordings;
    // the panorama reads the channels inside its band; the EEPROM holds no receiver response (a
    // capture went through no replayed receiver) unless Calibrate wrote one in this session.
    // Set before StartADCTransfer.
    void SetIqSource(std::optional<CIqSourceSettings> settings) {
        m_iqSettings = std::move(settings);
    }
    bool UsesIq() const { return m_iqSettings.has_value(); }
    // A live receiver's IQ goes to `tap` too (nullptr: nowhere); set before the start.
    void SetIqTap(CIqTap* tap) { m_pIqTap = tap; }
    // With settings, the transfers receive a live IQ stream (tuned to the settings' station,
    // else the tuner frequency) and the panorama tunes it to each point. A broken stream is
    // reconnected with back-off; the loss and the return are posted as 1045 with the sub-IDs below,
    // as are samples the receiver lost; the measurement goes on, and ReceptionNotice says what
    // happened. Set before StartADCTransfer. The receiver's EEPROM, level calibration and
    // frequency correction are kept in `folder` (default CReceiverStore::DefaultFolder()); those
    // given in the settings are kept there too.
    void SetLiveSource(std::optional<CLiveSourceSettings> settings,
                       const std::string& folder = CReceiverStore::DefaultFolder());
    bool UsesLive() const { return m_liveSettings.has_value(); }
    // Whether the station's band is received: false while a receiver shared by stations of
    // several bands measures another one.
    bool IsInView() const {
        return !m_liveSettings || !m_liveSettings->channel || m_liveSettings->channel->InView();
    }
    // The clock a live stream's rate is held to (null: real time). A stream more than 1 % off
    // its rate is a loss of reception (sub-ID SUBID_RECEPTION_LOST, its pace told) whose blocks
    // are not handed on until it keeps the rate again. Set before StartADCTransfer.
    void SetStreamClock(CPacer* clock) { m_pStreamClock = clock; }
    static constexpr int SUBID_RECEPTION_LOST = 3;
    static constexpr int SUBID_RECEPTION_BACK = 4;
    static constexpr int SUBID_SAMPLES_DROPPED = 5;
    std::string ReceptionNotice() const;
    // The cause of the last loss of reception told in this run; empty when none was.
    std::string ReceptionLoss() const;
    // While a live receiver is connecting, or reconnecting after a loss, or its stream is off
    // its rate: no whole block was handed on since. From any thread.
    bool IsAwaitingReception() const { return UsesLive() && m_bAwaitingReception.load(); }
    // Awaiting reception because the stream broke or could not be had (not for its pace).
    bool IsReconnecting() const { return IsAwaitingReception() && !m_bOffPace.load(); }

private:
    struct SampleHalf {
        int mpxCount = 0;
        int levelCount = 0;
        std::array<float, GLOBAL_SAMPLE_BUFSIZE> mpx;
        std::array<float, GLOBAL_SAMPLE_BUFSIZE> level;
        std::optional<CReceivedFigures> received;
    };
    using RdsBlock = std::array<std::uint8_t, RDS_BLOCK_BYTES>;

    void ADCTransfer(HWND hwndNotify);
    void RDSTransfer();
    void StartIqSource(HWND hwndNotify);
    void IqTransfer(HWND hwndNotify);
    void StartLiveSource(HWND hwndNotify);
    void LiveTransfer(HWND hwndNotify);
    void PublishBlock(const float* mpx, const float* level, const CReceivedFigures* received);
    void PublishRdsChunk(const std::uint8_t* chunk);
    CLiveSourceSettings KeptLiveSettings();
    void OpenIqPanorama();
    void NoticeReception(HWND hwndNotify, int subId, const std::string& text);
    struct SLiveState;
    void TellDrops(HWND hwndNotify, SLiveState& state);
    void TellLoss(HWND hwndNotify, SLiveState& state, const std::string& key,
                  const std::string& cause, const std::string& notice);
    void EndTransferOnFailure(HWND hwndNotify);
    bool ReadADCCycle(std::uint8_t* mpxRaw, std::uint8_t* levelRaw);
    void OpenPlaybackFile(CFile& file, const char* name);
    std::string PlaybackPath(const char* name) const;
    void SendCommand(std::initializer_list<std::uint8_t> bytes);

    bool m_bInitialised = false;
    bool m_bOpen = false;
    CBlockExchange<SampleHalf> m_samples{EDropKind::SampleBlock};
    CBlockExchange<RdsBlock> m_rds{EDropKind::RdsBlock};
    std::thread m_ADCThread;
    std::thread m_RDSThread;
    std::atomic<bool> m_bADCRunning{false};
    int m_nStallLimit = DEFAULT_STALL_LIMIT;
    std::atomic<bool> m_bRDSRunning{false};
    const int m_nRDSBufferSize = RDS_BLOCK_BYTES;
    std::atomic<ThreadId> m_dwADCThreadID{0};
    std::atomic<ThreadId> m_dwRDSThreadID{0};
    std::array<std::uint8_t, 64> m_Command{};
    std::uint8_t m_nCommandLength = 0;
    CReceiverLink* m_pLink = nullptr;
    float m_fFrequency = 0.0f;
    CFile m_panoramaFile;
    CFile m_mpxFile;
    CFile m_levelFile;
    CFile m_rdsFile;
    std::string m_strDataFolder;
    std::optional<CIqSourceSettings> m_iqSettings;
    std::array<std::uint8_t, 16> m_iqCalibration{};  // the EEPROM's calibration for a capture
    std::unique_ptr<CIqFileSource> m_pIqSource;      // the ADC thread's while it runs
    std::optional<CLiveSourceSettings> m_liveSettings;
    CIqTap* m_pIqTap = nullptr;  // the user-interface thread sets it while stopped
    std::unique_ptr<CLiveIqSource> m_pLiveSource;  // the ADC thread's while it runs
    std::unique_ptr<CReceiverStore> m_pStore;      // the live receiver's calibration
    std::atomic<bool> m_bPanoramaOpen{false};      // before the panorama that reads it
    std::unique_ptr<CIqPanorama> m_pIqPanorama;    // the scan thread's while SOF is off
    mutable std::mutex m_noticeMutex;
    std::string m_strReceptionNotice;
    std::string m_strReceptionLoss;
    std::atomic<bool> m_bAwaitingReception{false};
    std::atomic<bool> m_bOffPace{false};  // the stream is off its rate, its blocks held back
    CPacer* m_pStreamClock = nullptr;
    CRealTimePacer m_realTimeAdc;
    CRealTimePacer m_realTimeRds;
    CRealTimePacer m_realTimePanorama;
    CPacer* m_pAdcPacer = &m_realTimeAdc;
    CPacer* m_pRdsPacer = &m_realTimeRds;
    CPacer* m_pPanoramaPacer = &m_realTimePanorama;
};

}  // namespace tavik

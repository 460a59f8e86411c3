#include "device/TavikControl.h"

#include <cstring>
#include <vector>

#include "platform/Cadence.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr auto kBlockPeriod = std::chrono::milliseconds(100);
// An RDS block is 800 bits at 1187.5 bit/s: 95 blocks every 64 s (673.68 ms each).
constexpr std::int64_t kRdsBlocksPerSpan = 95;
constexpr auto kRdsSpan = std::chrono::seconds(64);
constexpr std::size_t kBlockBytes = 2 * GLOBAL_SAMPLE_BUFSIZE;

std::int16_t SampleAt(const std::uint8_t* raw, int i) {
    return static_cast<std::int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
}

// The cause in words ("No such file or directory"), never as a number.
void ThrowFileError(const char* format, const CFile& file, int cause) {
    throw CTavikControlException(
        StringFormat(format, file.GetFileName().c_str(), CauseText(cause).c_str()), 0);
}

// Reads a whole unit; false when the file ended first.
bool ReadUnit(CFile& file, std::uint8_t* buffer, std::size_t count) {
    std::size_t read = 0;
    if (const int cause = file.Read(buffer, count, read); cause != 0) {
        ThrowFileError("Could not read from file \"%s\" (%s)\n", file, cause);
    }
    return read == count;
}

void Rewind(CFile& file) {
    if (const int cause = file.Seek(0); cause != 0) {
        ThrowFileError("Could not set pointer in file \"%s\" (%s)\n", file, cause);
    }
}

}  // namespace

bool CTavikControl::StartADCTransfer(HWND hwndNotify) {
    if (m_bADCRunning.load()) {
        throw CTavikControlException("StartADCTransfer: Thread already running.", 0);
    }
    if (UsesLive()) {
        StartLiveSource(hwndNotify);
        return true;
    }
    if (UsesIq()) {
        StartIqSource(hwndNotify);
        return true;
    }
    if (const std::string fault = RecordingsFolderFault(m_strDataFolder); !fault.empty()) {
        throw CTavikControlException(fault + "\n", 0);
    }
    OpenPlaybackFile(m_rdsFile, "rds.dat");
    OpenPlaybackFile(m_mpxFile, "mpx.dat");
    OpenPlaybackFile(m_levelFile, "lev.dat");
    m_pAdcPacer->Reset();
    m_pRdsPacer->Reset();

    // The flags are raised before the threads start, so a StopTransfer that follows at once
    // still finds and ends them.
    m_bADCRunning.store(true);
    try {
        m_ADCThread = std::thread([this, hwndNotify] { ADCTransfer(hwndNotify); });
    } catch (const std::system_error&) {
        m_bADCRunning.store(false);
        throw CTavikControlException("StartADCTransfer: Could not start ADCTransfer thread\n", 0);
    }
    m_bRDSRunning.store(true);
    try {
        m_RDSThread = std::thread([this] { RDSTransfer(); });
    } catch (const std::system_error&) {
        m_bRDSRunning.store(false);
        throw CTavikControlException("StartADCTransfer: Could not start RDSTransfer thread\n", 0);
    }
    return true;
}

bool CTavikControl::StopTransfer() {
    if (m_bRDSRunning.exchange(false)) {
        m_pRdsPacer->Interrupt();
    }
    if (m_RDSThread.joinable()) {
        m_RDSThread.join();
    }
    if (m_bADCRunning.exchange(false)) {
        m_pAdcPacer->Interrupt();
    }
    if (m_ADCThread.joinable()) {
        m_ADCThread.join();
    }
    m_mpxFile.Close();
    m_levelFile.Close();
    m_rdsFile.Close();
    m_pIqSource.reset();
    m_pLiveSource.reset();
    return false;
}

// One cycle's reads. Both recordings rewind together when either ends, so MPX block k always
// pairs with level block k however often the files loop.
bool CTavikControl::ReadADCCycle(std::uint8_t* mpxRaw, std::uint8_t* levelRaw) {
    if (ReadUnit(m_mpxFile, mpxRaw, kBlockBytes) && ReadUnit(m_levelFile, levelRaw, kBlockBytes)) {
        return true;
    }
    Rewind(m_mpxFile);
    Rewind(m_levelFile);
    return false;
}

void CTavikControl::ADCTransfer(HWND hwndNotify) {
    try {
        std::vector<std::uint8_t> mpxRaw(kBlockBytes);  // once per run, not per block
        std::vector<std::uint8_t> levelRaw(kBlockBytes);
        CCadence cadence(*m_pAdcPacer, 1, kBlockPeriod);
        int silent = 0;  // cycles in a row without a block
        while (m_bADCRunning.load()) {
            cadence.WaitNext();
            if (!m_bADCRunning.load()) {
                break;
            }
            if (!ReadADCCycle(mpxRaw.data(), levelRaw.data())) {
                // A loop's end costs one cycle; a source that gives nothing for seconds (a
                // recording emptied while playing) has failed and must not pass for valid
                // measurements that repeat the last block's values.
                if (m_nStallLimit > 0 && ++silent >= m_nStallLimit) {
                    throw CTavikControlException(
                        StringFormat("ADCTransfer: no sample block for %d cycles from \"%s\"\n",
                                     silent, m_mpxFile.GetFileName().c_str()),
                        0);
                }
                continue;
            }
            silent = 0;
            SampleHalf* half = m_samples.BeginWrite();
            if (half == nullptr) {
                continue;  // the reader still copies the half due next: drop this block
            }
            for (int i = 0; i < GLOBAL_SAMPLE_BUFSIZE; ++i) {
                half->mpx[i] = static_cast<float>(SampleAt(mpxRaw.data(), i));
            }
            for (int i = 0; i < GLOBAL_SAMPLE_BUFSIZE; ++i) {
                half->level[i] = ScaleLevel(static_cast<float>(SampleAt(levelRaw.data(), i)));
            }
            half->mpxCount = GLOBAL_SAMPLE_BUFSIZE;
            half->levelCount = GLOBAL_SAMPLE_BUFSIZE;
            m_samples.EndWrite(true);
            PostThreadMessage(m_dwADCThreadID.load(), WM_ADC_BLOCK_READY);
        }
    } catch (...) {
        EndTransferOnFailure(hwndNotify);
    }
}

// Whatever failed, the ADC thread ends and the measurement is told through 1045. Called in a
// handler: the failure is the exception being handled.
void CTavikControl::EndTransferOnFailure(HWND hwndNotify) {
    const CGenericException e = CurrentException(EXC_TAVIKCONTROL);
    if (hwndNotify != nullptr) {
        hwndNotify->PostMessage(WM_TRANSFER_ERROR, static_cast<std::uintptr_t>(e.GetErrorId()),
                                e.GetSubId());
    }
    m_bADCRunning.store(false);
}

void CTavikControl::RDSTransfer() {
    try {
        RdsBlock block{};
        CCadence cadence(*m_pRdsPacer, kRdsBlocksPerSpan, kRdsSpan);
        while (m_bRDSRunning.load()) {
            cadence.WaitNext();
            if (!m_bRDSRunning.load()) {
                break;
            }
            if (!ReadUnit(m_rdsFile, block.data(), static_cast<std::size_t>(m_nRDSBufferSize))) {
                Rewind(m_rdsFile);
                continue;
            }
            RdsBlock* target = m_rds.BeginWrite();
            if (target == nullptr) {
                continue;
            }
            *target = block;
            m_rds.EndWrite(true);
            PostThreadMessage(m_dwRDSThreadID.load(), WM_RDS_BLOCK_READY);
        }
    } catch (...) {
        m_bRDSRunning.store(false);  // the RDS thread ends without a notice
    }
}

void CTavikControl::GetADCData(float* mpx, int& mpxCount, float* level, int& levelCount) {
    std::optional<CReceivedFigures> received;
    GetADCData(mpx, mpxCount, level, levelCount, received);
}

void CTavikControl::GetADCData(float* mpx, int& mpxCount, float* level, int& levelCount,
                               std::optional<CReceivedFigures>& received) {
    mpxCount = 0;
    levelCount = 0;
    received.reset();
    m_samples.Read([&](const SampleHalf& half) {
        mpxCount = half.mpxCount;
        levelCount = half.levelCount;
        std::memcpy(mpx, half.mpx.data(), sizeof(float) * static_cast<std::size_t>(mpxCount));
        std::memcpy(level, half.level.data(), sizeof(float) * static_cast<std::size_t>(levelCount));
        received = half.received;
    });
}

void CTavikControl::GetRDSData(std::uint8_t* data, int& count) {
    count = m_nRDSBufferSize;
    if (!m_rds.Read(
            [&](const RdsBlock& block) { std::memcpy(data, block.data(), block.size()); })) {
        std::memset(data, 0, static_cast<std::size_t>(m_nRDSBufferSize));
    }
}

}  // namespace tavik

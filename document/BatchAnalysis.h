#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/IqFileSource.h"
#include "document/AlarmEventRecorder.h"
#include "document/BatchCollector.h"
#include "document/DecoderOverrides.h"
#include "document/RecordingReader.h"
#include "document/ResultRouter.h"
#include "document/SpectrumDecimation.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/MessageQueue.h"
#include "platform/Prompt.h"
#include "platform/Time.h"

namespace tavik {

// What a batch analysis is told.
struct CBatchOptions {
    std::string strDataFolder;   // where "mpx.dat", "lev.dat" and "rds.dat" are ("" = here)
    std::string strOutFolder;    // result file and text log; "" = no logging
    std::string strSetupFile;    // a document file whose setup and alarms to use; "" = none
    bool bEnableAlarms = false;  // enable every alarm of the setup, as ticking its box would
    CTime start;                 // virtual time of the recording's first sample
    int nRepeat = 1;             // passes over the recording, back to back as playback loops
    // When set, the analysis stops after the block during which it became non-zero (a signal
    // handler's flag) and closes its files as a stop would, so nothing written is lost.
    const std::atomic<int>* pStop = nullptr;
    // With a value the blocks come from this IQ recording through the FM receiver instead of
    // the recordings in strDataFolder.
    std::optional<CIqSourceSettings> iq;
    // With iq: this station's channel of a capture that several stations share (CIqStations)
    // instead of the capture read on its own; nRepeat must then be 1.
    IIqChannelFeed* pFeed = nullptr;
    CDecoderOverrides decoder;  // over the setup's stereo decoder settings
};

// Analyses a recording through the document and its analysers as the live measurement does,
// but deterministically and as fast as one core allows: every block reaches every analyser
// (spectrum on blocks 4, 9, 14, ..., then MPX power, deviation and multipath), each 100-byte
// RDS chunk goes to the RDS worker once 674 ms of recording have passed per chunk, and every
// 10 blocks the main-timer work runs with the virtual clock one second on. All passes run on
// the calling thread; results are routed into the document after each call, so the result
// file and the text log carry the virtual clock's timestamps and repeat byte for byte. One
// object analyses one recording.
class CBatchAnalysis {
public:
    // Blocks done and blocks in all, after every block.
    using CProgress = std::function<void(std::int64_t done, std::int64_t total)>;

    CBatchAnalysis(const CBatchOptions& options, CPrompt& prompt);
    ~CBatchAnalysis();
    CBatchAnalysis(const CBatchAnalysis&) = delete;
    CBatchAnalysis& operator=(const CBatchAnalysis&) = delete;

    // Alarm event lines as they are logged (a console may print them).
    void SetAlarmListener(CAlarmEventRecorder::CListener listener);
    // Every result message, after the document took it; and the end of every second, after
    // its main-timer work.
    void SetResultListener(std::function<void(const CMessage&)> listener) {
        m_resultListener = std::move(listener);
    }
    void SetTickListener(std::function<void()> listener) { m_tickListener = std::move(listener); }
    // Runs the whole analysis; throws CBatchError when the recording or the setup cannot be
    // used or the output folder already holds result or log files.
    CBatchSummary Run(const CProgress& progress = {});

    CTAVIKSDIDoc& GetDocument() { return *m_pDoc; }
    // RDS chunks handed to the RDS worker so far.
    std::int64_t GetRdsChunkCount() const { return m_nRdsChunks; }

private:
    // Passes notices on and answers every question with No without showing it: a batch run
    // has nobody to ask, and No never deletes a file nor ends anything.
    class CBatchPrompt final : public CPrompt {
    public:
        explicit CBatchPrompt(CPrompt& out) : m_out(out) {}
        int MessageBox(const std::string& text, unsigned style) override;
        void Notice(const std::string& text) override { m_out.Notice(text); }

    private:
        CPrompt& m_out;
    };

    static constexpr std::int64_t kBlockMilliseconds = 100;
    static constexpr std::int64_t kRdsChunkMilliseconds = 674;
    static constexpr std::int64_t kBlocksPerTick = 10;

    void Prepare();
    void OpenLogging();
    void CheckOutFolder() const;
    // `beforeTick`: the main timer's tick follows this block.
    void DistributeBlock(bool beforeTick);
    void DistributeRds(std::int64_t blocksDone);
    void MainTimerTick();
    void Finish(CBatchSummary& summary);
    void Drain();
    // The source's operations: the IQ recording's when there is one, else the recordings'.
    std::int64_t SourceBlockCount() const;
    // The next block; the level channel only when `level` (the recordings' reader skips it).
    bool SourceReadBlock(bool level);
    bool SourceReadRdsChunk(std::uint8_t* chunk);
    void SourceRewind();

    CBatchOptions m_options;
    CBatchPrompt m_prompt;
    CManualClock m_clock;
    CQueueTarget m_resultWindow;
    std::unique_ptr<CTAVIKSDIDoc> m_pDoc;
    CResultRouter m_router;
    CAlarmEventRecorder m_alarmEvents;
    CBatchCollector m_collector;
    CRecordingReader m_reader;
    std::unique_ptr<CIqFileSource> m_pIq;
    CSpectrumDecimation m_spectrumDecimation;
    std::function<void(const CMessage&)> m_resultListener;
    std::function<void()> m_tickListener;
    std::int64_t m_nRdsChunks = 0;  // chunks handed to the RDS worker
    bool m_bRun = false;
    bool m_bMultipathErrorTold = false;
    // One block of both channels. The passes run to their end before the next block is read,
    // so every analyser reads this one copy.
    std::unique_ptr<std::array<float, GLOBAL_SAMPLE_BUFSIZE>> m_pMpx;
    std::unique_ptr<std::array<float, GLOBAL_SAMPLE_BUFSIZE>> m_pLevel;
    CBlockFigures m_figures;  // of the MPX block when the source gives them
    bool m_bFigures = false;
    CReceivedFigures m_received;  // of an IQ recording's block
};

}  // namespace tavik

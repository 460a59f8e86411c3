#include "document/BatchAnalysis.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "document/ResultLog.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"
#include "rds/RDSDataMessage.h"

namespace tavik {

int CBatchAnalysis::CBatchPrompt::MessageBox(const std::string& text, unsigned style) {
    if ((style & MB_YESNO) != 0) {
        m_out.Notice(text + " (answered No)");
        return IDNO;
    }
    m_out.Notice(text);
    return IDOK;
}

CBatchAnalysis::CBatchAnalysis(const CBatchOptions& options, CPrompt& prompt)
    : m_options(options),
      m_prompt(prompt),
      m_clock(options.start),
      m_pDoc(std::make_unique<CTAVIKSDIDoc>()),
      m_router(*m_pDoc),
      m_alarmEvents(*m_pDoc),
      m_pMpx(std::make_unique<std::array<float, GLOBAL_SAMPLE_BUFSIZE>>()),
      m_pLevel(std::make_unique<std::array<float, GLOBAL_SAMPLE_BUFSIZE>>()) {
    m_pDoc->SetPrompt(&m_prompt);
    m_pDoc->SetClock(&m_clock);
    m_pDoc->SetResultWindow(&m_resultWindow);
    m_pDoc->GetSpectrumAnalyser().SetSynchronous(true);
    m_pDoc->GetMPXPower().SetSynchronous(true);
    m_pDoc->GetDeviation().SetSynchronous(true);
    m_pDoc->GetMpxLevels().SetSynchronous(true);
    m_pDoc->GetMultipath().SetSynchronous(true);
    m_pDoc->GetRDSWorker().SetSynchronous(true);
    // Far faster than real time: the files' writes are waited for, never dropped.
    m_pDoc->SetLogWritesWaitForRoom(true);
}

CBatchAnalysis::~CBatchAnalysis() {
    m_pDoc->RemoveView(&m_alarmEvents);
}

void CBatchAnalysis::SetAlarmListener(CAlarmEventRecorder::CListener listener) {
    m_alarmEvents.SetListener(std::move(listener));
}

CBatchSummary CBatchAnalysis::Run(const CProgress& progress) {
    if (m_bRun) {
        throw CBatchError("A batch analysis runs once");
    }
    m_bRun = true;
    const auto wallStart = std::chrono::steady_clock::now();
    Prepare();
    const int passes = std::max(1, m_options.nRepeat);
    const std::int64_t total = SourceBlockCount() * passes;
    std::int64_t done = 0;
    bool interrupted = false;
    const auto stopRequested = [&] {
        return m_options.pStop != nullptr && m_options.pStop->load() != 0;
    };
    // Only the multipath analyser reads the level, and only the block before a tick.
    const auto beforeTick = [&] { return (done + 1) % kBlocksPerTick == 0; };
    const auto nextBlock = [&] {
        if (SourceReadBlock(beforeTick())) {
            return true;
        }
        if (done >= total || stopRequested()) {  // an IQ block ends early on a stop request
            return false;
        }
        SourceRewind();
        return SourceReadBlock(beforeTick());
    };
    try {
        while (!(interrupted = stopRequested()) && nextBlock()) {
            DistributeBlock(beforeTick());
            ++done;
            DistributeRds(done);
            if (done % kBlocksPerTick == 0) {
                MainTimerTick();
            }
            if (progress) {
                progress(done, total);
            }
        }
    } catch (const CBatchError&) {
        // The files written so far are closed as a stop would close them.
        CBatchSummary ignored;
        Finish(ignored);
        throw;
    }
    interrupted = interrupted || (done < total && stopRequested());
    CBatchSummary summary;
    Finish(summary);
    summary.nBlocks = done;
    summary.bInterrupted = interrupted;
    summary.dSeconds = static_cast<double>(done) * kBlockMilliseconds / 1000.0;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
    summary.dWallSeconds = wall.count();
    summary.dRealtimeFactor = wall.count() > 0.0 ? summary.dSeconds / wall.count() : 0.0;
    return summary;
}

// The document as the application has it when a measurement starts: setup and alarms loaded,
// calibration read, logging enabled, the first record stamped.
void CBatchAnalysis::Prepare() {
    CTAVIKSDIDoc& doc = *m_pDoc;
    if (!m_options.strSetupFile.empty()) {
        if (!doc.OnOpenDocument(m_options.strSetupFile)) {
            throw CBatchError("Could not read the setup file \"" + m_options.strSetupFile + "\"");
        }
        doc.SetWindowFunction(doc.GetProtocolHeaderRef());
    }
    doc.SetDecoderSettings(m_options.decoder.AppliedTo(doc.GetProtocolHeaderRef()));
    // The device names its source, so that a capture is taken without the replayed
    // receiver's response, as a live measurement of it would.
    doc.GetDevice().SetIqSource(m_options.iq);
    doc.LoadCalibrators();
    if (m_options.bEnableAlarms) {
        for (const CAlarmMap::Entry& entry : doc.GetAlarms()) {
            doc.SetAlarmChecked(entry.key, true);
        }
    }
    doc.AddView(&m_alarmEvents);
    if (m_options.iq) {
        try {
            m_pIq = m_options.pFeed != nullptr
                        ? std::make_unique<CIqFileSource>(*m_options.iq, *m_options.pFeed)
                        : std::make_unique<CIqFileSource>(*m_options.iq);
        } catch (const CIqSourceError& e) {
            throw CBatchError(e.what());
        }
        if (const std::atomic<int>* stop = m_options.pStop) {
            m_pIq->SetStopRequest([stop] { return stop->load() != 0; });
        }
    } else {
        m_reader.Open(m_options.strDataFolder);
    }
    if (!m_options.strOutFolder.empty()) {
        OpenLogging();
    }
    doc.SetStartTime(m_clock.Now());
    doc.BeginDropCount();
    doc.WriteLog("Measurement Started");
    doc.SetResultValue(EResultValue::Close, 0.0f);
}

void CBatchAnalysis::OpenLogging() {
    CheckOutFolder();
    CTAVIKSDIDoc& doc = *m_pDoc;
    doc.SelectLogFolder(m_options.strOutFolder);
    std::string folder;
    doc.GetLogFolder(folder);
    if (folder != m_options.strOutFolder || doc.OpenLogFiles(true) != 0) {
        throw CBatchError("Could not start logging into \"" + m_options.strOutFolder + "\"");
    }
}

// The document takes a log folder only when it holds none of this program's day files
// (otherwise it would ask to delete them, and the batch answer is No), and a run must not
// continue another run's files: such a folder is refused. The folder is made when missing.
void CBatchAnalysis::CheckOutFolder() const {
    namespace fs = std::filesystem;
    const std::string& folder = m_options.strOutFolder;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        throw CBatchError("Could not make the output folder \"" + folder + "\"");
    }
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (CResultLog::IsOwnFileName(name, ".xml") || CResultLog::IsOwnFileName(name, ".log")) {
            throw CBatchError("\"" + folder + "\" holds result files already (" + name +
                              "); choose an empty output folder");
        }
    }
    if (ec) {
        throw CBatchError("Could not read the output folder \"" + folder + "\"");
    }
}

// The calls of the document's ADC distribution for one block, in its order. The multipath
// analyser fits the newest block when the timer ticks, so only the block before a tick is
// handed to it: the blocks in between would be copied and overwritten unread.
void CBatchAnalysis::DistributeBlock(bool beforeTick) {
    CTAVIKSDIDoc& doc = *m_pDoc;
    const float* mpx = m_pMpx->data();
    constexpr int count = GLOBAL_SAMPLE_BUFSIZE;
    const auto handOver = [&](CWorkerThread& worker, bool figures) {
        if (!worker.IsBusy()) {
            if (figures && m_bFigures) {
                worker.PostData(mpx, count, m_figures);
            } else {
                worker.PostData(mpx, count);
            }
            Drain();
        }
    };
    if (m_pIq) {
        m_resultWindow.PostMessage(
            CMessage{WM_ANALYSER_RESULT, static_cast<std::uintptr_t>(EResultCode::Reception), 0,
                     CAnalyserResult::Make<EResultCode::Reception>(m_received.reception), nullptr});
        Drain();
    }
    if (m_spectrumDecimation.Next()) {
        handOver(doc.GetSpectrumAnalyser(), false);
    }
    if (m_pIq && !m_received.reception.bSignal) {
        return;  // noise without a carrier: as the live distribution, no statistics of it
    }
    handOver(doc.GetMPXPower(), true);
    handOver(doc.GetDeviation(), true);
    handOver(doc.GetMpxLevels(), false);
    if (beforeTick) {
        doc.GetMultipath().PostData(mpx, count, m_pLevel->data(), count);
        Drain();
    }
}

// Chunk k (from 1) is due once k * 674 ms of recording have passed.
void CBatchAnalysis::DistributeRds(std::int64_t blocksDone) {
    while ((m_nRdsChunks + 1) * kRdsChunkMilliseconds <= blocksDone * kBlockMilliseconds) {
        RDS_DATA_MSG message{};
        if (!SourceReadRdsChunk(message.data)) {
            return;
        }
        message.count = CRecordingReader::kRdsChunkBytes;
        m_pDoc->GetRDSWorker().PostData(message);
        ++m_nRdsChunks;
        Drain();
    }
}

void CBatchAnalysis::MainTimerTick() {
    m_clock.Advance(CTimeSpan(1));
    m_pDoc->OnMainTimerEvent();
    Drain();
    if (m_tickListener) {
        m_tickListener();
    }
}

// What a stop does to the files: the closing log line, the last records and the footer.
void CBatchAnalysis::Finish(CBatchSummary& summary) {
    CTAVIKSDIDoc& doc = *m_pDoc;
    doc.WriteLog("Measurement stopped");
    const bool logging = doc.IsLoggingEnabled();
    doc.CloseLogFiles();
    summary = m_collector.GetSummary();
    summary.nLostResults = doc.GetLostResultCount();
    summary.nUnsyncedResults = doc.GetUnsyncedResultCount();
    summary.drops = doc.GetDropCounts();
    for (const CAlarmMap::Entry& entry : doc.GetAlarms()) {
        summary.alarms.push_back({entry.key, m_alarmEvents.GetActivations(entry.item.get())});
    }
    if (logging) {
        summary.strResultFile = doc.GetLastResultFile();
        summary.strLogFile = doc.GetLastLogFile();
    }
}

void CBatchAnalysis::Drain() {
    CMessage message;
    while (m_resultWindow.Queue().PeekMessage(message, 0, 0, true)) {
        m_router.Route(message);
        m_collector.Collect(message);
        if (m_resultListener) {
            m_resultListener(message);
        }
        if (message.message == WM_ANALYSER_ERROR && message.pText && !m_bMultipathErrorTold) {
            m_bMultipathErrorTold = true;
            m_prompt.Notice(*message.pText);
        }
    }
}

std::int64_t CBatchAnalysis::SourceBlockCount() const {
    return m_pIq ? m_pIq->GetBlockCount() : m_reader.GetBlockCount();
}

bool CBatchAnalysis::SourceReadBlock(bool level) {
    m_bFigures = true;  // the recordings' exact sums, or the receiver's true peaks
    if (!m_pIq) {
        return m_reader.ReadBlock(m_pMpx->data(), level ? m_pLevel->data() : nullptr, &m_figures);
    }
    try {
        const bool read = m_pIq->ReadBlock(m_pMpx->data(), m_pLevel->data(), &m_received);
        m_figures = m_received.figures;
        return read;
    } catch (const CIqSourceError& e) {
        throw CBatchError(e.what());
    }
}

bool CBatchAnalysis::SourceReadRdsChunk(std::uint8_t* chunk) {
    return m_pIq ? m_pIq->ReadRdsChunk(chunk) : m_reader.ReadRdsChunk(chunk);
}

void CBatchAnalysis::SourceRewind() {
    if (!m_pIq) {
        m_reader.Rewind();
        return;
    }
    try {
        m_pIq->Rewind();
    } catch (const CIqSourceError& e) {
        throw CBatchError(e.what());
    }
}

}  // namespace tavik

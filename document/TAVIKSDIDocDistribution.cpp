#include <algorithm>
#include <cstring>

#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr const char* kStartFailed =
    "StartADCDistribution(): AfxBeginThread created an exception\n";

// Ends one distribution thread and waits for it. The flag is cleared before WM_QUIT is posted,
// so the wake-up always finds it clear: the thread never waits for a further block that a
// stopped or failed transfer would not send.
void EndDistributionThread(std::unique_ptr<CThread>& thread, std::atomic<bool>& running) {
    running.store(false);
    if (thread) {
        PostThreadMessage(thread->GetId(), WM_QUIT);
        thread->Join();
        thread.reset();
    }
}

}  // namespace

// User-interface thread. The ADC thread starts first; the flags are raised before the threads
// run, so that no early wake-up ends a thread that has just started.
void CTAVIKSDIDoc::StartADCDistribution() {
    StopADCDistribution();  // no threads of an earlier run may stay behind
    m_bADCDistributionRunning.store(true);
    m_bRDSDistributionRunning.store(true);
    m_pADCDistributionThread = std::make_unique<CThread>();
    if (!m_pADCDistributionThread->Start([this](CThread& t) { return ADCDistribute(t); })) {
        StopADCDistribution();
        throw CDocumentException(kStartFailed, 0);
    }
    m_pRDSDistributionThread = std::make_unique<CThread>();
    if (!m_pRDSDistributionThread->Start([this](CThread& t) { return RDSDistribute(t); })) {
        StopADCDistribution();
        throw CDocumentException(kStartFailed, 0);
    }
    m_device.SetADCThreadID(m_pADCDistributionThread->GetId());
    m_device.SetRDSThreadID(m_pRDSDistributionThread->GetId());
}

// User-interface thread. Returns only when neither thread can touch the document any more.
void CTAVIKSDIDoc::StopADCDistribution() {
    EndDistributionThread(m_pRDSDistributionThread, m_bRDSDistributionRunning);
    EndDistributionThread(m_pADCDistributionThread, m_bADCDistributionRunning);
}

// ADC distribution thread: one distribution pass per wake-up while running.
int CTAVIKSDIDoc::ADCDistribute(CThread& thread) {
    try {
        CSpectrumDecimation spectrum;
        for (;;) {
            CMessage message;
            const int result = thread.Queue().GetMessage(message, WM_QUIT, WM_ADC_BLOCK_READY);
            if (result == -1) {
                throw CDocumentException("GetMessage returned -1.", 0);
            }
            if (result == 0 || !m_bADCDistributionRunning.load()) {
                return 0;
            }
            DistributeADCBlock(spectrum);
        }
    } catch (...) {
        CGenericException e = CurrentException(EXC_DOCUMENT);
        e.AppendMessage("ADCDistribute throwed an exception\n");
        ReportThreadFailure(e);
        return 1;
    }
}

// Copies the completed block out of the device and hands private copies to the analysers.
void CTAVIKSDIDoc::DistributeADCBlock(CSpectrumDecimation& spectrum) {
    {
        std::lock_guard lock(m_levelMutex);
        m_device.GetADCData(m_mpxBlock.data(), m_nMpxCount, m_levelBlock.data(), m_nLevelCount,
                            m_received);
    }
    if (m_nMpxCount <= 0) {
        return;  // no completed block could be copied: nothing to hand on, nothing counted
    }
    if (CMpxTap* tap = m_pMpxTap.load()) {
        tap->OnMpxBlock(m_mpxBlock.data(), m_nMpxCount);
    }
    const CBlockFigures* figures = nullptr;
    if (m_received) {
        if (const HWND window = m_hResultWnd) {
            window->PostMessage(CMessage{
                WM_ANALYSER_RESULT, static_cast<std::uintptr_t>(EResultCode::Reception), 0,
                CAnalyserResult::Make<EResultCode::Reception>(m_received->reception), nullptr});
        }
        figures = &m_received->figures;
    }
    if (spectrum.Next()) {
        HandOver(m_spectrum, nullptr);
    }
    if (m_received && !m_received->reception.bSignal) {
        // Noise without a carrier would pass for deviation, power and multipath: the
        // statistics take none of it. The spectrum shows what is there.
        return;
    }
    HandOver(m_mpxPower, figures);
    HandOver(m_deviation, figures);
    HandOver(m_mpxLevels, nullptr);
    m_multipath.PostData(m_mpxBlock.data(), m_nMpxCount, m_levelBlock.data(), m_nLevelCount);
}

// Each worker copies the block into its queue (counting it as dropped when the queue is full),
// so the block's buffer is free again at once.
void CTAVIKSDIDoc::HandOver(CWorkerThread& worker, const CBlockFigures* figures) {
    if (figures != nullptr) {
        worker.PostData(m_mpxBlock.data(), m_nMpxCount, *figures);
    } else {
        worker.PostData(m_mpxBlock.data(), m_nMpxCount);
    }
}

// RDS distribution thread: hands every RDS block, 500 bytes with its count, to the RDS worker.
int CTAVIKSDIDoc::RDSDistribute(CThread& thread) {
    try {
        std::fill_n(m_rdsBlock.begin(), 150, std::uint8_t{0});
        for (;;) {
            CMessage message;
            const int result = thread.Queue().GetMessage(message, WM_QUIT, WM_RDS_BLOCK_READY);
            if (result == -1) {
                throw CDocumentException("RDSDistribute: GetMessage returned -1.", 0);
            }
            if (result == 0) {
                m_bRDSDistributionRunning.store(false);
            }
            if (!m_bRDSDistributionRunning.load()) {
                return 0;
            }
            m_device.GetRDSData(m_rdsBlock.data(), m_nRdsCount);
            RDS_DATA_MSG block{};  // handed over by value
            std::memcpy(block.data, m_rdsBlock.data(), sizeof block.data);
            block.count = m_nRdsCount;
            m_rdsWorker.PostData(block);
        }
    } catch (...) {
        CGenericException e = CurrentException(EXC_DOCUMENT);
        e.AppendMessage("RDSDistribute throwed an exception\n");
        ReportThreadFailure(e);
        return 1;
    }
}

// A distribution thread that failed posts its text as an analyser error (WM_ANALYSER_ERROR) to the
// result window: the measurement goes on without its blocks, and the text is there to be shown.
void CTAVIKSDIDoc::ReportThreadFailure(const CGenericException& e) {
    if (m_hResultWnd != nullptr) {
        m_hResultWnd->PostMessage(CMessage{WM_ANALYSER_ERROR,
                                           static_cast<std::uintptr_t>(e.GetErrorId()),
                                           e.GetSubId(),
                                           {},
                                           std::make_shared<const std::string>(e.GetMessage())});
    }
}

void CTAVIKSDIDoc::GetMpxSamples(float* samples, int& count) const {
    const auto signal = m_deviation.GetTimeSignal();
    count = signal ? static_cast<int>(signal->size()) : 0;
    if (count > 0) {
        std::copy(signal->begin(), signal->end(), samples);
    }
}

void CTAVIKSDIDoc::GetLevelSamples(float* samples, int& count) const {
    std::lock_guard lock(m_levelMutex);
    count = m_nLevelCount;
    std::copy_n(m_levelBlock.data(), count, samples);
}

}  // namespace tavik

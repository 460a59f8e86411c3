#include "platform/WorkerThread.h"

#include <string>

#include "platform/DropCounters.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

CWorkerThread::~CWorkerThread() {
    JoinPass();
}

void CWorkerThread::PostData(const float* data, int count) {
    PostBlock(data, count, nullptr);
}

void CWorkerThread::PostData(const float* data, int count, const CBlockFigures& figures) {
    PostBlock(data, count, &figures);
}

void CWorkerThread::PostBlock(const float* data, int count, const CBlockFigures* figures) {
    if (m_bBusy.load()) {
        CountDrop(EDropKind::AnalyserBlock);  // a pass is running: this block is not analysed
        return;
    }
    m_pData = data;
    m_nDataCount = count;
    m_bFigures = figures != nullptr;
    if (figures != nullptr) {
        m_figures = *figures;
    }
    StartThread();
}

void CWorkerThread::StartThread() {
    m_bBusy.store(true);
    if (m_bSynchronous) {
        RunPass();
        return;
    }
    JoinPass();  // the previous pass has ended: it cleared the busy flag
    m_thread = std::thread([this] { RunPass(); });
}

// A pass that throws posts its text as an analyser error (1047) and ends like any other, so
// the worker takes the next block and the process goes on.
void CWorkerThread::RunPass() {
    try {
        Pass();
    } catch (...) {
        const CGenericException e = CurrentException(0);
        if (HWND hwnd = m_hNotifyWnd.load()) {
            hwnd->PostMessage(CMessage{WM_ANALYSER_ERROR,
                                       static_cast<std::uintptr_t>(e.GetErrorId()),
                                       e.GetSubId(),
                                       {},
                                       std::make_shared<const std::string>(e.GetMessage())});
        }
    }
    if (!KeepBusyAfterPass()) {
        ClearBusy();
    }
}

void CWorkerThread::ClearBusy() {
    {
        std::lock_guard lock(m_idleMutex);
        m_bBusy.store(false);
    }
    m_idle.notify_all();
}

bool CWorkerThread::WaitUntilIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_idleMutex);
    return m_idle.wait_for(lock, limit, [&] { return !m_bBusy.load(); });
}

void CWorkerThread::Notify(CAnalyserResult result, std::intptr_t lParam) const {
    if (HWND hwnd = m_hNotifyWnd.load()) {
        const auto code = static_cast<std::uintptr_t>(result.Code());
        hwnd->PostMessage(CMessage{WM_ANALYSER_RESULT, code, lParam, std::move(result), nullptr});
    }
}

void CWorkerThread::JoinPass() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace tavik

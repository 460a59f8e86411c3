#include "platform/WorkerThread.h"

#include <algorithm>
#include <string>

#include "platform/DropCounters.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

CWorkerThread::~CWorkerThread() {
    EndWorker();
}

void CWorkerThread::PostData(const float* data, int count) {
    PostBlock(data, count, nullptr);
}

void CWorkerThread::PostData(const float* data, int count, const CBlockFigures& figures) {
    PostBlock(data, count, &figures);
}

void CWorkerThread::PostBlock(const float* data, int count, const CBlockFigures* figures) {
    const int n = std::max(count, 0);
    std::unique_lock lock(m_mutex);
    if (m_bHeld || m_nQueued == kQueueDepth) {
        lock.unlock();
        CountDrop(EDropKind::AnalyserBlock);  // no room: this block is not analysed
        return;
    }
    SBlock& block = m_blocks[static_cast<std::size_t>((m_nHead + m_nQueued) % kQueueDepth)];
    if (block.samples.size() < static_cast<std::size_t>(n)) {
        block.samples.resize(static_cast<std::size_t>(n));  // once per slot and block size
    }
    std::copy_n(data, n, block.samples.begin());
    block.count = count;
    block.bFigures = figures != nullptr;
    if (figures != nullptr) {
        block.figures = *figures;
    }
    Queued(lock);
}

bool CWorkerThread::RequestPass() {
    return Enqueue([this](int slot) {
        m_blocks[static_cast<std::size_t>(slot)].count = 0;
        m_blocks[static_cast<std::size_t>(slot)].bFigures = false;
    });
}

bool CWorkerThread::Queued(std::unique_lock<std::mutex>& lock) {
    ++m_nQueued;
    UpdateBusy();
    if (m_bSynchronous) {
        RunHead(lock);  // passes end before the next block comes: the block is the head
        return true;
    }
    if (!m_thread.joinable()) {
        m_bEnd = false;
        m_thread = std::thread([this] { Run(); });
    }
    lock.unlock();
    m_work.notify_one();
    return true;
}

// The worker's thread: one pass per queued block, oldest first, until EndWorker.
void CWorkerThread::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_bEnd || m_nQueued > 0; });
        if (m_bEnd) {
            return;
        }
        RunHead(lock);
    }
}

void CWorkerThread::RunHead(std::unique_lock<std::mutex>& lock) {
    const int slot = m_nHead;
    m_bRunning = true;
    lock.unlock();
    RunPass(slot);
    lock.lock();
    PassDone();
}

// A pass that throws posts its text as an analyser error (WM_ANALYSER_ERROR) and ends like any
// other, so the worker takes the next block and the process goes on.
void CWorkerThread::RunPass(int slot) {
    const SBlock& block = m_blocks[static_cast<std::size_t>(slot)];
    m_nPassSlot = slot;
    m_pData = block.samples.data();
    m_nDataCount = block.count;
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
}

void CWorkerThread::PassDone() {
    if (KeepBusyAfterPass()) {
        m_bHeld = true;
    }
    m_bRunning = false;
    m_nHead = (m_nHead + 1) % kQueueDepth;
    --m_nQueued;
    if (m_nQueued == 0 && !m_bHeld) {
        // Nothing waits and no pass reads a slot: the next block takes the first slot again,
        // so that a worker that keeps up (batch analysis) fills one slot instead of all eight
        // in turn.
        m_nHead = 0;
    }
    UpdateBusy();
    if (m_nQueued == 0) {
        m_idle.notify_all();
    }
}

void CWorkerThread::DiscardQueued() {
    std::lock_guard lock(m_mutex);
    m_nQueued = m_bRunning ? 1 : 0;  // the block in its pass is freed when the pass ends
    UpdateBusy();
    if (m_nQueued == 0) {
        m_idle.notify_all();
    }
}

const CBlockFigures* CWorkerThread::Figures() const {
    const SBlock& block = m_blocks[static_cast<std::size_t>(m_nPassSlot)];
    return block.bFigures ? &block.figures : nullptr;
}

void CWorkerThread::ClearBusy() {
    {
        std::lock_guard lock(m_mutex);
        m_bHeld = false;
        UpdateBusy();
    }
    m_idle.notify_all();
}

bool CWorkerThread::WaitUntilIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, limit, [&] { return m_nQueued == 0; });
}

void CWorkerThread::Notify(CAnalyserResult result, std::intptr_t lParam) const {
    if (HWND hwnd = m_hNotifyWnd.load()) {
        const auto code = static_cast<std::uintptr_t>(result.Code());
        hwnd->PostMessage(CMessage{WM_ANALYSER_RESULT, code, lParam, std::move(result), nullptr});
    }
}

void CWorkerThread::EndWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_bEnd = true;
    }
    m_work.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard lock(m_mutex);
    m_nQueued = 0;  // what still waited is given up
    UpdateBusy();
    m_idle.notify_all();
}

}  // namespace tavik

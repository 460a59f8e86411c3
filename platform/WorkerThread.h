#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/MessageTarget.h"
#include "platform/SampleBlock.h"

namespace tavik {

// Base of the analysers and the RDS worker. PostData hands over a block; when no pass is
// running it starts one, otherwise the block is not analysed (the worker drops work rather
// than queue it). Each pass runs on a short-lived thread of its own; in synchronous mode the
// pass runs on the caller's thread instead, for tests and batch analysis.
class CWorkerThread {
public:
    CWorkerThread() = default;
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Called by the distribution thread; returns at once. The buffer stays valid and unchanged
    // until the pass has ended (the document's private copy per consumer).
    virtual void PostData(const float* data, int count);
    // The same with the block's figures already worked out; a pass may use them in place of
    // its own loop over the samples.
    void PostData(const float* data, int count, const CBlockFigures& figures);

    void SetNotifyWindow(HWND hwnd) { m_hNotifyWnd.store(hwnd); }
    HWND GetNotifyWindow() const { return m_hNotifyWnd.load(); }
    bool IsBusy() const { return m_bBusy.load(); }

    // Passes run on the caller's thread when set.
    void SetSynchronous(bool synchronous) { m_bSynchronous = synchronous; }
    bool IsSynchronous() const { return m_bSynchronous; }

    // Waits until no pass runs; false when `limit` passed first.
    bool WaitUntilIdle(std::chrono::milliseconds limit);

protected:
    // Sets the busy flag and runs Pass() on a new thread (or at once when synchronous).
    virtual void StartThread();
    // The calculation of one pass. Runs on the worker thread; what it throws is posted as 1047.
    virtual void Pass() = 0;
    // True when the worker must stay busy after the pass just run (it then takes no new
    // blocks until ClearBusy); otherwise the busy flag is cleared after every pass.
    virtual bool KeepBusyAfterPass() const { return false; }
    void ClearBusy();
    // Waits for the thread of the last pass. Derived destructors call it first, so that no
    // pass outlives the members it uses.
    void JoinPass();

    // Posts message 1027 with the result (wParam its code) to the notification window.
    void Notify(CAnalyserResult result, std::intptr_t lParam = 0) const;

    // The figures handed over with the pass's block, or null.
    const CBlockFigures* Figures() const { return m_bFigures ? &m_figures : nullptr; }

    const float* m_pData = nullptr;
    int m_nDataCount = 0;

private:
    void PostBlock(const float* data, int count, const CBlockFigures* figures);
    void RunPass();

    CBlockFigures m_figures;
    bool m_bFigures = false;

    std::atomic<bool> m_bBusy{false};
    std::atomic<HWND> m_hNotifyWnd{nullptr};
    bool m_bSynchronous = false;
    std::thread m_thread;  // thread of the current or last pass
    std::mutex m_idleMutex;
    std::condition_variable m_idle;
};

}  // namespace tavik

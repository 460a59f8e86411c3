#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/MessageTarget.h"
#include "platform/SampleBlock.h"

namespace tavik {

// Base of the analysers and the RDS worker: one thread of its own per worker, started with the
// first block, and a short queue of blocks in front of it. PostData copies the block into the
// queue and returns at once; a burst of blocks (a stalled machine catching up) delays the
// passes instead of losing blocks. Only a block that finds the queue full is dropped, and
// counted. In synchronous mode the pass runs on the caller's thread instead, for tests and
// batch analysis.
class CWorkerThread {
public:
    // Blocks the queue holds, the one in its pass included: 0.8 s of 100 ms blocks.
    static constexpr int kQueueDepth = 8;

    CWorkerThread() = default;
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Called by the distribution thread; copies the block and returns at once.
    virtual void PostData(const float* data, int count);
    // The same with the block's figures already worked out; a pass may use them in place of
    // its own loop over the samples.
    void PostData(const float* data, int count, const CBlockFigures& figures);

    void SetNotifyWindow(HWND hwnd) { m_hNotifyWnd.store(hwnd); }
    HWND GetNotifyWindow() const { return m_hNotifyWnd.load(); }
    // A block waits or is in its pass, or the worker was held busy after a pass.
    bool IsBusy() const { return m_bBusy.load(); }

    // Passes run on the caller's thread when set (set it before the first block).
    void SetSynchronous(bool synchronous) { m_bSynchronous = synchronous; }
    bool IsSynchronous() const { return m_bSynchronous; }

    // Waits until no block waits and no pass runs; false when `limit` passed first. A worker
    // held busy after its pass counts as idle here.
    bool WaitUntilIdle(std::chrono::milliseconds limit);

protected:
    // Queues a pass that takes no block (the caller keeps its own data); false when the queue
    // is full. Also taken while the worker is held busy.
    bool RequestPass();
    // Queues a pass on slot `slot` of the derived worker's own data, filled by `fill(slot)`
    // under the queue's lock; false (nothing filled) when the queue is full.
    template <class Fill>
    bool Enqueue(Fill&& fill) {
        std::unique_lock lock(m_mutex);
        if (m_nQueued == kQueueDepth) {
            return false;
        }
        const int slot = (m_nHead + m_nQueued) % kQueueDepth;
        fill(slot);
        return Queued(lock);
    }
    // The slot of the pass that runs (worker thread, or the caller when synchronous).
    int CurrentSlot() const { return m_nPassSlot; }
    // Blocks that wait and have not begun their pass are given up (a measurement that ends).
    void DiscardQueued();

    // The calculation of one pass. Runs on the worker thread; what it throws is posted as
    // WM_ANALYSER_ERROR.
    virtual void Pass() = 0;
    // True when the worker must stay busy after the pass just run: PostData then takes no new
    // blocks until ClearBusy.
    virtual bool KeepBusyAfterPass() const { return false; }
    void ClearBusy();
    // Ends the worker's thread after the pass that runs (blocks still waiting are given up).
    // Derived destructors call it first, so that no pass outlives the members it uses.
    void EndWorker();

    // Posts WM_ANALYSER_RESULT with the result (wParam its code) to the notification window.
    void Notify(CAnalyserResult result, std::intptr_t lParam = 0) const;

    // The figures handed over with the pass's block, or null.
    const CBlockFigures* Figures() const;

    // The block of the running pass (the queue's copy).
    const float* m_pData = nullptr;
    int m_nDataCount = 0;

private:
    struct SBlock {
        std::vector<float> samples;  // grows to the largest block once, then is reused
        int count = 0;
        CBlockFigures figures;
        bool bFigures = false;
    };

    void PostBlock(const float* data, int count, const CBlockFigures* figures);
    // Counts the slot just filled as queued and wakes the thread (or runs the pass at once
    // when synchronous).
    bool Queued(std::unique_lock<std::mutex>& lock);
    void Run();
    // The pass of the head block, with the lock released while it runs.
    void RunHead(std::unique_lock<std::mutex>& lock);
    void RunPass(int slot);
    // After a pass (under the lock): frees its slot and updates the busy state.
    void PassDone();
    void UpdateBusy() { m_bBusy.store(m_nQueued > 0 || m_bHeld); }

    std::array<SBlock, kQueueDepth> m_blocks;
    int m_nPassSlot = 0;

    std::mutex m_mutex;  // the queue, the flags below and the blocks' slots
    std::condition_variable m_work;
    std::condition_variable m_idle;
    int m_nHead = 0;          // slot of the oldest queued block
    int m_nQueued = 0;        // blocks queued, the one in its pass included
    bool m_bRunning = false;  // the head block is in its pass
    bool m_bHeld = false;
    bool m_bEnd = false;
    std::atomic<bool> m_bBusy{false};
    std::atomic<HWND> m_hNotifyWnd{nullptr};
    bool m_bSynchronous = false;
    std::thread m_thread;
};

}  // namespace tavik

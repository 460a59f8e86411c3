#pragma once

#include <array>
#include <memory>
#include <mutex>

#include "platform/WorkerThread.h"
#include "rds/RDSDataMessage.h"
#include "rds/RDSDecoder.h"
#include "rds/RDSSnapshot.h"

namespace tavik {

// Runs the RDS decoder off the RDS distribution thread: each message handed in is queued and
// decoded in turn on the worker's thread, then WM_ANALYSER_RESULT goes to the notify window with
// RdsData (9) and RdsQuality (11). Both carry the worker as lParam and one immutable
// CRDSSnapshot of that pass. Only a message that finds the queue full is not decoded.
class CRDSWorker : public CWorkerThread {
public:
    // Counts above this are dropped without notification; counts up to it are clamped to the
    // message's 500 data bytes.
    static constexpr int kMaxAcceptedCount = 1000;

    CRDSWorker() = default;
    ~CRDSWorker() override;

    // RDS distribution thread: takes one message by value and returns at once.
    void PostData(RDS_DATA_MSG message);
    // The worker takes no sample blocks.
    void PostData(const float* data, int count) override;

    // Resets the station data (the decoder's ClearAll). Any thread; waits for a running
    // decode to finish first.
    void Reset();
    // Restarts the settling count shown with the bit error rate.
    void ResetSettling();

    // The snapshot of the last completed pass (null before the first one).
    std::shared_ptr<const CRDSSnapshot> GetLastSnapshot() const;

protected:
    void Pass() override;

private:
    std::array<RDS_DATA_MSG, kQueueDepth> m_messages{};  // the queue's messages, by slot
    mutable std::mutex m_decoderMutex;                   // the decoder and the last snapshot
    CRDSDecoder m_decoder;
    std::shared_ptr<const CRDSSnapshot> m_pLastSnapshot;
};

}  // namespace tavik

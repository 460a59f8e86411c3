#include "rds/RDSWorker.h"

#include <algorithm>

#include "platform/DropCounters.h"

namespace tavik {

CRDSWorker::~CRDSWorker() {
    EndWorker();
}

void CRDSWorker::PostData(RDS_DATA_MSG message) {
    if (!Enqueue([&](int slot) { m_messages[static_cast<std::size_t>(slot)] = message; })) {
        CountDrop(EDropKind::RdsBlock);  // the queue is full
    }
}

void CRDSWorker::PostData(const float* /*data*/, int /*count*/) {}

void CRDSWorker::Pass() {
    const RDS_DATA_MSG& message = m_messages[static_cast<std::size_t>(CurrentSlot())];
    const int count = message.count;
    if (count < 0 || count > kMaxAcceptedCount) {
        return;
    }
    std::shared_ptr<const CRDSSnapshot> snapshot;
    {
        std::lock_guard lock(m_decoderMutex);
        m_decoder.Decode(message.data, std::min(count, RDS_DATA_MSG::kDataBytes));
        snapshot = std::make_shared<const CRDSSnapshot>(
            CRDSSnapshot{m_decoder.GetData(), m_decoder.m_dBitErrorRate, m_decoder.m_bSettled,
                         m_decoder.m_nSettleCount, m_decoder.m_nGroupCount});
        m_pLastSnapshot = snapshot;
    }
    const auto self = reinterpret_cast<std::intptr_t>(this);
    Notify(CAnalyserResult::Make<EResultCode::RdsData>(snapshot), self);
    Notify(CAnalyserResult::Make<EResultCode::RdsQuality>(snapshot), self);
}

void CRDSWorker::Reset() {
    std::lock_guard lock(m_decoderMutex);
    m_decoder.ClearAll();
}

void CRDSWorker::ResetSettling() {
    std::lock_guard lock(m_decoderMutex);
    m_decoder.ResetSettling();
}

std::shared_ptr<const CRDSSnapshot> CRDSWorker::GetLastSnapshot() const {
    std::lock_guard lock(m_decoderMutex);
    return m_pLastSnapshot;
}

}  // namespace tavik

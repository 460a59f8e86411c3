#include "document/BatchCollector.h"

#include <algorithm>
#include <vector>

#include "analysis/DeviationTavik.h"
#include "analysis/MultipathResult.h"
#include "platform/Messages.h"
#include "rds/RDSWorker.h"

namespace tavik {

namespace {

// Result codes of the MPX power and multipath analysers (their payload notes name them).
constexpr std::uintptr_t kMpxPower60s = 7;
constexpr std::uintptr_t kMultipathResult = 8;
constexpr std::uintptr_t kMpxPower1s = 12;
// The accumulated distribution's bin of "at or above 75 kHz" (bin k: at or above k + 1 kHz).
constexpr std::size_t kBin75 = 74;

template <class T>
const T& Payload(const CMessage& message) {
    return *std::static_pointer_cast<const T>(message.payload);
}

}  // namespace

void CBatchCollector::Collect(const CMessage& message) {
    if (message.message != WM_ANALYSER_RESULT || !message.payload) {
        return;
    }
    switch (message.wParam) {
        case DEV_RELATIVE:
            m_summary.deviationRelative = Payload<std::vector<float>>(message);
            break;
        case DEV_ACCUMULATED: {
            m_summary.deviationAccumulated = Payload<std::vector<float>>(message);
            const auto& accumulated = m_summary.deviationAccumulated;
            if (accumulated.size() > kBin75) {
                m_summary.fDeviationExceed75 = accumulated[kBin75];
            }
            break;
        }
        case DEV_MAX_DEVIATION:
            m_summary.fDeviationMax = Payload<float>(message);
            break;
        case kMpxPower1s:
            m_summary.fMpxPower1sLast = Payload<float>(message);
            break;
        case kMpxPower60s:
            CollectMpxPowerHistory(message);
            break;
        case kMultipathResult: {
            // Before the first accepted fit there is a status but no multipath or level.
            const auto& result = Payload<CMultipathResult>(message);
            if (result.HasValue()) {
                m_summary.fMultipath = result.m_fMultipath;
                m_summary.fRfLevel = result.m_fLevel;
            }
            m_summary.nItuStatus = result.m_nStatus;
            break;
        }
        case CRDSWorker::kRDSDataReady:
        case CRDSWorker::kBitErrorRateReady:
            m_summary.pRds = std::static_pointer_cast<const CRDSSnapshot>(message.payload);
            break;
        default:
            break;  // time signal, spectra, segment peaks: for displays only
    }
}

// The history comes newest first; its newest value is the second's 60-second power. The
// maximum is taken over every newest value, so it covers runs longer than the history.
void CBatchCollector::CollectMpxPowerHistory(const CMessage& message) {
    const auto& history = Payload<std::vector<float>>(message);
    if (history.empty()) {
        return;
    }
    const float newest = history.front();
    m_summary.fMpxPower60sLast = newest;
    m_summary.fMpxPower60sMax =
        m_summary.fMpxPower60sMax ? std::max(*m_summary.fMpxPower60sMax, newest) : newest;
}

}  // namespace tavik

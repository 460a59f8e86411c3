#include "document/BatchCollector.h"

#include <algorithm>
#include <vector>

#include "analysis/MultipathResult.h"
#include "platform/Messages.h"
#include "rds/RDSSnapshot.h"

namespace tavik {

namespace {

// The accumulated distribution's bin of "at or above 75 kHz" (bin k: at or above k + 1 kHz).
constexpr std::size_t kBin75 = 74;

}  // namespace

void CBatchCollector::Collect(const CMessage& message) {
    if (message.message != WM_ANALYSER_RESULT) {
        return;
    }
    const CAnalyserResult& result = message.result;
    if (const auto* relative = result.Get<EResultCode::DeviationRelative>()) {
        m_summary.deviationRelative = *relative;
    } else if (const auto* accumulated = result.Get<EResultCode::DeviationAccumulated>()) {
        m_summary.deviationAccumulated = *accumulated;
        if (accumulated->size() > kBin75) {
            m_summary.fDeviationExceed75 = (*accumulated)[kBin75];
        }
    } else if (const float* maximum = result.Get<EResultCode::DeviationMax>()) {
        m_summary.fDeviationMax = *maximum;
    } else if (const float* power = result.Get<EResultCode::Power1s>()) {
        m_summary.fMpxPower1sLast = *power;
    } else if (const auto* history = result.Get<EResultCode::PowerHistory>()) {
        CollectMpxPowerHistory(*history);
    } else if (const CMultipathResult* multipath = result.Get<EResultCode::Multipath>()) {
        // Before the first accepted fit there is a status but no multipath or level.
        if (multipath->HasValue()) {
            m_summary.fMultipath = multipath->m_fMultipath;
            m_summary.fRfLevel = multipath->m_fLevel;
        }
        m_summary.nItuStatus = multipath->m_nStatus;
    } else if (const CMpxReadings* readings = result.Get<EResultCode::MpxReadings>()) {
        m_summary.mpxReadings = *readings;
        m_summary.nSilentSeconds += readings->silence ? 1 : 0;
    } else if (auto rds = result.Share<EResultCode::RdsData>()) {
        m_summary.pRds = std::move(rds);
    } else if (auto quality = result.Share<EResultCode::RdsQuality>()) {
        m_summary.pRds = std::move(quality);
    }
    // Time signal, spectra, segment peaks: for displays only.
}

// The history comes newest first; its newest value is the second's 60-second power. The
// maximum is taken over every newest value, so it covers runs longer than the history.
void CBatchCollector::CollectMpxPowerHistory(const std::vector<float>& history) {
    if (history.empty()) {
        return;
    }
    const float newest = history.front();
    m_summary.fMpxPower60sLast = newest;
    m_summary.fMpxPower60sMax =
        m_summary.fMpxPower60sMax ? std::max(*m_summary.fMpxPower60sMax, newest) : newest;
}

}  // namespace tavik

// libFuzzer entry for the range checks of loading a document file: any input either fails
// with CArchiveException or loads a setup whose every field is within the rules of the forms,
// checked here on its own terms (the band and grid, the choices, thresholds a float can
// compare with, names without control characters).

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "document/SetupFile.h"
#include "document/SetupRules.h"

using namespace tavik;

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckLoaded(const CProtocolHeader& h, const CAlarmMap& alarms) {
    Require(h.m_fFrequency >= 87.5f && h.m_fFrequency <= 108.0f);
    const double steps = (static_cast<double>(h.m_fFrequency) - 87.5) / 0.025;
    Require(std::fabs(steps - std::round(steps)) <= 1e-3);
    Require(h.m_nAntenna == 0 || h.m_nAntenna == 1);
    Require(h.m_nWindowFunction < 3);
    Require(h.m_fDeviationLimit >= 0.0f && h.m_fDeviationLimit <= 110.0f);
    Require(h.m_bLimitTriangle == 0 || h.m_bLimitTriangle == 1);
    Require(h.m_bFilter == 0 || h.m_bFilter == 1);
    for (const CAlarmMap::Entry& entry : alarms) {
        const CAlarmItem& item = *entry.item;
        Require(item.m_nSource >= 0 && item.m_nSource < ALARM_SOURCE_COUNT);
        Require(item.m_nRelation >= 0 && item.m_nRelation < ALARM_RELATION_COUNT);
        Require(item.m_nAction >= 0 && item.m_nAction < ALARM_ACTION_COUNT);
        Require(item.m_nAcknowledge >= 0 && item.m_nAcknowledge < ALARM_ACKNOWLEDGE_COUNT);
        Require(std::isfinite(item.m_fThreshold) &&
                (item.m_fThreshold >= 0.0f || CAlarmItem::IsChangeSource(item.m_nSource) ||
                 setup_rules::ThresholdRange(item.m_nSource).lowest < 0.0));
        const std::int64_t delay = item.m_spanDelay.GetTotalSeconds();
        Require(delay >= 0 && delay <= CAlarmItem::kMaxDelaySeconds);
        for (const char c : entry.key) {
            Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CProtocolHeader header;
    CAlarmMap alarms;
    try {
        CArchive ar(data, size);
        LoadCheckedSetup(ar, header, alarms);
    } catch (const CArchiveException&) {
        return 0;
    }
    CheckLoaded(header, alarms);
    return 0;
}

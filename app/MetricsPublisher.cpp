#include "app/MetricsPublisher.h"

#include <algorithm>
#include <cmath>

#include "app/JsonLine.h"
#include "document/AlarmEventRecorder.h"
#include "document/TAVIKSDIDoc.h"
#include "rds/RDSData.h"

namespace tavik {

namespace {

std::string StationText(const CJson& text) {
    return text.is_string() ? text.get<std::string>() : std::string();
}

}  // namespace

std::string CMetricsPublisher::Start(const CMetricsAddress& address, CMetricsAccess access,
                                     const CTAVIKSDIDoc& doc, const CAlarmEventRecorder& alarms) {
    m_address = address;
    m_pOwnServer = std::make_unique<CMetricsServer>();
    m_pServer = m_pOwnServer.get();
    m_pServer->Publish(Build(doc, CMonitorValues(), alarms));
    return m_pServer->Start(address, std::move(access));
}

void CMetricsPublisher::Join(CMetricsServer& server, int station, const CTAVIKSDIDoc& doc,
                             const CAlarmEventRecorder& alarms) {
    m_pServer = &server;
    m_nStation = station;
    m_pServer->Publish(Build(doc, CMonitorValues(), alarms), m_nStation);
}

std::string CMetricsPublisher::Url() const {
    return std::string(m_pServer->Scheme()) + "://" + m_address.HostPort(m_pServer->GetPort()) +
           "/metrics";
}

void CMetricsPublisher::Publish(const CTAVIKSDIDoc& doc, const CMonitorValues& values,
                                const CAlarmEventRecorder& alarms,
                                std::uint64_t consoleLinesDropped) {
    CMetricsSnapshot snapshot = Build(doc, values, alarms);
    m_seconds.Complete(snapshot, values, static_cast<double>(doc.GetClock().Now().GetTime()));
    m_nRecordsLost = std::max(m_nRecordsLost, snapshot.nRecordsLost);
    snapshot.nRecordsLost = m_nRecordsLost;
    snapshot.nConsoleLinesDropped = consoleLinesDropped;
    m_pServer->Publish(std::move(snapshot), m_nStation);
}

void CMetricsSeconds::Complete(CMetricsSnapshot& snapshot, const CMonitorValues& values,
                               double now) {
    // The deviation's results come with every sample block: a second without one measured
    // nothing, whatever the RDS path still brings.
    if (values.HasSignal() && values.nDeviationBlocks != m_nBlocks) {
        m_fLastResult = now;
    }
    m_nBlocks = values.nDeviationBlocks;
    snapshot.lastResult = m_fLastResult;
    m_station.Second(snapshot.strPI, snapshot.strPS);
    snapshot.strPI = m_station.PI();
    snapshot.strPS = m_station.PS();
}

CMetricsSnapshot CMetricsPublisher::Build(const CTAVIKSDIDoc& doc, const CMonitorValues& values,
                                          const CAlarmEventRecorder& alarms) {
    return Build(doc, values, [&alarms](const CAlarmItem* item) {
        return static_cast<std::uint64_t>(alarms.GetActivations(item));
    });
}

CMetricsSnapshot CMetricsPublisher::Build(const CTAVIKSDIDoc& doc, const CMonitorValues& values,
                                          const CActivations& activations) {
    CMetricsSnapshot s;
    s.strVersion = TAVIK_VERSION;
    s.fFrequency = doc.GetProtocolHeaderRef().m_fFrequency;
    s.deviationPeak = values.secondPeak;
    s.deviationMax = values.maxDeviation;
    s.nDeviationBlocks = values.nDeviationBlocks;
    s.nDeviationBlocksOver75 = values.nDeviationBlocksOver75;
    s.power1s = values.power1s;
    s.power60s = values.power60s;
    if (const auto& r = values.mpxReadings) {
        s.pilot = r->pilotKhz.value_or(0.0f);
        s.pilotError = r->pilotErrorHz;
        s.rdsInjection = r->rdsKhz.value_or(0.0f);
        s.audioLeft = r->leftDb;
        s.audioRight = r->rightDb;
        s.silence = r->silence ? 1.0f : 0.0f;
    }
    if (const CMultipathResult* fit = values.multipath.get()) {
        if (fit->HasValue()) {  // before the first accepted fit, level and multipath are 0
            s.multipath = fit->m_fMultipath;
            s.rfLevel = fit->m_fLevel;
            s.ituRfLevel = fit->m_fLevel > CMultipathResult::kMinimumLevel;
            s.ituMultipath = fit->m_fMultipath < CMultipathResult::kMultipathLimit;
        }
        if (fit->m_nStatus != 0) {
            s.ituDeviation = fit->m_nStatus != CMultipathResult::STATUS_DEVIATION_TOO_LOW;
        }
    }
    s.bReceptionUp = values.HasSignal();
    if (const auto reception = values.ShownReception()) {
        s.carrierToNoise = reception->carrierToNoise;
        s.frequencyError = reception->frequencyError;
        s.overloadRatio = *reception->overload / 100.0f;
    }
    if (const CRDSSnapshot* rds = values.rds.get()) {
        s.strPI = FourDigitPI(rds->m_data.m_strPI);
        s.strPS = StationText(CJsonLine::RdsText(rds->m_data.m_strPS));
        s.rdsErrorRatio = static_cast<float>(rds->m_dBitErrorRate / 100.0);
    }
    for (const CAlarmMap::Entry& entry : doc.GetAlarms()) {
        s.alarms.push_back({entry.key, entry.item->m_bActive != 0, activations(entry.item.get())});
    }
    s.nMeasuredSeconds = doc.GetMeasuredSeconds();
    s.nRecordsWritten = static_cast<std::uint64_t>(doc.PeekWrittenResultCount());
    s.nRecordsLost = static_cast<std::uint64_t>(doc.PeekLostResultCount());
    s.nDeviceErrors = values.nDeviceErrors;
    s.drops = values.drops;
    return s;
}

}  // namespace tavik

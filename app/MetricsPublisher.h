#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/MonitorValues.h"
#include "metrics/MetricsServer.h"
#include "metrics/StationLabels.h"

namespace tavik {

class CAlarmEventRecorder;
class CAlarmItem;
class CTAVIKSDIDoc;

// What a snapshot carries on from the seconds before: the end of the last second that brought
// sample blocks' results with a signal (a measurement whose results stopped keeps its old time,
// so that a stall shows), and the station's steady PI and PS. Once a second, on the
// measurement's thread.
class CMetricsSeconds {
public:
    // Completes `snapshot`, built from `values`, for the second ending at `now` (seconds since
    // 1970).
    void Complete(CMetricsSnapshot& snapshot, const CMonitorValues& values, double now);

private:
    std::uint64_t m_nBlocks = 0;  // deviation results seen by the last second
    std::optional<double> m_fLastResult;
    CStationLabels m_station;
};

// The monitor's metrics endpoint: once a second, on the measurement's thread, a snapshot of the
// values shown in the status line and of the run's counters goes to the HTTP server.
class CMetricsPublisher {
public:
    // Listens on `address` (the first snapshot, values absent, is there at once); empty when
    // it does, else the reason.
    std::string Start(const CMetricsAddress& address, CMetricsAccess access,
                      const CTAVIKSDIDoc& doc, const CAlarmEventRecorder& alarms);
    // One station of several: publishes as station `station` of a server already serving.
    void Join(CMetricsServer& server, int station, const CTAVIKSDIDoc& doc,
              const CAlarmEventRecorder& alarms);
    // "http://127.0.0.1:9101/metrics" (https with TLS), once started (not joined).
    std::string Url() const;
    void Publish(const CTAVIKSDIDoc& doc, const CMonitorValues& values,
                 const CAlarmEventRecorder& alarms, std::uint64_t consoleLinesDropped);

    // How often an alarm went active since the start.
    using CActivations = std::function<std::uint64_t(const CAlarmItem*)>;
    // The snapshot of what the document and the values hold now.
    static CMetricsSnapshot Build(const CTAVIKSDIDoc& doc, const CMonitorValues& values,
                                  const CAlarmEventRecorder& alarms);
    static CMetricsSnapshot Build(const CTAVIKSDIDoc& doc, const CMonitorValues& values,
                                  const CActivations& activations);

private:
    CMetricsAddress m_address;
    std::unique_ptr<CMetricsServer> m_pOwnServer;
    CMetricsServer* m_pServer = nullptr;  // the own one, or the one joined
    int m_nStation = 0;
    // Records a full writer queue refused are moved to the writer's count when it takes the next
    // batch; a counter must never go back meanwhile.
    std::uint64_t m_nRecordsLost = 0;
    CMetricsSeconds m_seconds;
};

}  // namespace tavik

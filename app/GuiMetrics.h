#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "app/MetricsPublisher.h"
#include "app/MonitorValues.h"
#include "metrics/MetricsServer.h"
#include "platform/Document.h"
#include "platform/MessageTarget.h"

namespace tavik {

class CAlarmItem;
class CTAVIKSDIDoc;

// The application window's metrics endpoint (`tavik --metrics ADDR:PORT`). It stands between
// the analysers and the window's result window: every result posted passes through here, is
// taken into the values under a short lock and goes on unchanged. As a view of the document it
// counts alarm activations and, on every main-timer tick, publishes a snapshot.
class CGuiMetrics final : public CView, public CMessageTarget {
public:
    explicit CGuiMetrics(CTAVIKSDIDoc& doc);
    ~CGuiMetrics() override;
    CGuiMetrics(const CGuiMetrics&) = delete;
    CGuiMetrics& operator=(const CGuiMetrics&) = delete;

    // Takes the document's result window's place and listens on `address`; empty when it does,
    // else the reason.
    std::string Start(const CMetricsAddress& address, CMetricsAccess access = {});
    std::string Url() const;

    // Any thread: the analysers' results on their way to the window.
    void PostMessage(CMessage message) override;
    // User-interface thread.
    void OnUpdate(CView* sender, long hint, void* object) override;

private:
    void Publish();

    CTAVIKSDIDoc& m_doc;
    HWND m_hWindow = nullptr;  // the window's own result target
    std::mutex m_mutex;        // m_values
    CMonitorValues m_values;
    std::map<const CAlarmItem*, std::uint64_t> m_activations;
    CMetricsSeconds m_seconds;
    CMetricsAddress m_address;
    CMetricsServer m_server;
};

}  // namespace tavik

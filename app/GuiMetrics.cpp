#include "app/GuiMetrics.h"

#include "alarms/AlarmItem.h"
#include "app/MetricsPublisher.h"
#include "document/TAVIKSDIDoc.h"

namespace tavik {

CGuiMetrics::CGuiMetrics(CTAVIKSDIDoc& doc) : m_doc(doc) {}

CGuiMetrics::~CGuiMetrics() {
    if (m_hWindow != nullptr) {
        m_doc.OnMeasurementStop();  // no analyser posts here any more
        m_doc.SetResultWindow(m_hWindow);
        m_doc.RemoveView(this);
    }
}

std::string CGuiMetrics::Start(const CMetricsAddress& address, CMetricsAccess access) {
    m_address = address;
    m_server.Publish(
        CMetricsPublisher::Build(m_doc, CMonitorValues(), [](const CAlarmItem*) { return 0; }));
    if (std::string fault = m_server.Start(address, std::move(access)); !fault.empty()) {
        return fault;
    }
    m_hWindow = m_doc.GetResultWindow();
    m_doc.SetResultWindow(this);
    m_doc.AddView(this);
    return {};
}

std::string CGuiMetrics::Url() const {
    return std::string(m_server.Scheme()) + "://" + m_address.HostPort(m_server.GetPort()) +
           "/metrics";
}

void CGuiMetrics::PostMessage(CMessage message) {
    {
        std::lock_guard lock(m_mutex);
        m_values.Take(message);
    }
    if (m_hWindow != nullptr) {
        m_hWindow->PostMessage(std::move(message));
    }
}

void CGuiMetrics::OnUpdate(CView* /*sender*/, long hint, void* object) {
    if (hint == HINT_ALARM_STATE && object != nullptr) {
        const auto* item = static_cast<const CAlarmItem*>(object);
        if (item->m_bActive != 0) {
            ++m_activations[item];
        }
    } else if (hint == HINT_TIMER_TICK) {
        Publish();
    }
}

void CGuiMetrics::Publish() {
    CMonitorValues values;
    {
        std::lock_guard lock(m_mutex);
        values = m_values;
        m_values.StartSecond();
    }
    values.drops = m_doc.GetDropCounts();
    CMetricsSnapshot snapshot =
        CMetricsPublisher::Build(m_doc, values, [this](const CAlarmItem* item) {
            const auto found = m_activations.find(item);
            return found == m_activations.end() ? std::uint64_t{0} : found->second;
        });
    m_seconds.Complete(snapshot, values, static_cast<double>(m_doc.GetClock().Now().GetTime()));
    m_server.Publish(std::move(snapshot));
}

}  // namespace tavik

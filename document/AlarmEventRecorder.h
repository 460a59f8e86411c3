#pragma once

#include <functional>
#include <map>
#include <string>

#include "alarms/AlarmItem.h"
#include "platform/Document.h"

namespace tavik {

class CTAVIKSDIDoc;

// Headless stand-in for the alarm page's event log: on each alarm state hint it writes the
// event line to the document's text log, counts the alarm's activations and hands the line to
// an optional listener (a console). With nobody to answer the acknowledge question, it answers
// "No" (keep the alarm enabled): the alarm switches off by itself once its condition clears and
// can go active again. `tavik monitor` and `tavik analyse` both use it, so they agree. Runs on
// the document's (user-interface) thread.
class CAlarmEventRecorder : public CView {
public:
    using CListener = std::function<void(const std::string& line)>;

    explicit CAlarmEventRecorder(CTAVIKSDIDoc& doc) : m_doc(doc) {}

    void SetListener(CListener listener) { m_listener = std::move(listener); }
    void OnUpdate(CView* sender, long hint, void* object) override;

    // How often the alarm went active since the recorder was attached.
    int GetActivations(const CAlarmItem* item) const;

    // "Alarm "NAME" caused an alarm because SOURCE(VALUE) RELATION THRESHOLDUNIT" for an active
    // alarm, else "Alarm "NAME" was reset.".
    static std::string FormatEvent(const CAlarmItem& item);

    // The item's key in the document's alarm set.
    static std::string NameOf(const CTAVIKSDIDoc& doc, const CAlarmItem& item);

private:
    CTAVIKSDIDoc& m_doc;
    CListener m_listener;
    std::map<const CAlarmItem*, int> m_activations;
};

}  // namespace tavik

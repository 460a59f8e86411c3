#pragma once

#include <ostream>
#include <string>

#include "platform/Document.h"

namespace tavik {

class CAlarmItem;
class CTAVIKSDIDoc;

// The headless run's console view of the document: prints alarm events on the error stream as
// the main timer's check raises them, in the words of the log with the run's time before them
// ("00:00:07 Alarm "X" caused an alarm because ..."); the alarm event recorder logs them and
// answers the acknowledge question.
class CMonitorView final : public CView {
public:
    CMonitorView(CTAVIKSDIDoc& doc, std::ostream& err) : m_doc(doc), m_out(err) {}
    void OnUpdate(CView* sender, long hint, void* object) override;

private:
    CTAVIKSDIDoc& m_doc;
    std::ostream& m_out;
};

}  // namespace tavik

#pragma once

#include <ostream>
#include <string>

#include "platform/Document.h"

namespace tavik {

class CAlarmItem;
class CTAVIKSDIDoc;

// The headless run's view of the document: prints alarm events as the main timer's check
// raises them. With nobody to answer the acknowledge question, an alarm that asks is answered
// as "keep it enabled", so it switches off by itself once its condition clears.
class CMonitorView final : public CView {
public:
    CMonitorView(CTAVIKSDIDoc& doc, std::ostream& out) : m_doc(doc), m_out(out) {}
    void OnUpdate(CView* sender, long hint, void* object) override;

    // "alarm \"NAME\" active: DEVIATION 81.20 kHz > 80.00" or "alarm \"NAME\" cleared".
    static std::string FormatAlarmEvent(const std::string& name, const CAlarmItem& item);

private:
    std::string NameOf(const CAlarmItem& item) const;

    CTAVIKSDIDoc& m_doc;
    std::ostream& m_out;
};

}  // namespace tavik

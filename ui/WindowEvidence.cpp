#include "ui/WindowEvidence.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>

#include <QSettings>

#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "evidence/EvidenceView.h"

namespace tavik {

namespace {

constexpr const char* kSecondsKey = "Settings/EvidenceSeconds";
constexpr const char* kMaxMbKey = "Settings/EvidenceMaxMb";

SEvidenceSettings Clamped(const SEvidenceSettings& s) {
    return {std::clamp(s.nSeconds, 0, SEvidenceSettings::kMaxSeconds),
            std::clamp(s.nMaxMb, 1, SEvidenceSettings::kMaxMb)};
}

}  // namespace

CWindowEvidence::CWindowEvidence(CTAVIKSDIDoc& doc)
    : m_doc(doc), m_settings(RememberedSettings()), m_bMeasuring(doc.IsRunning()) {
    m_doc.AddView(this);
}

CWindowEvidence::~CWindowEvidence() {
    m_doc.RemoveView(this);
    if (m_pSession && m_doc.IsRunning()) {
        m_doc.OnMeasurementStop();  // the clips' tap must not go while blocks are handed over
    }
    EndSession();
}

SEvidenceSettings CWindowEvidence::RememberedSettings() {
    const QSettings settings;
    return Clamped(
        {settings.value(QString::fromLatin1(kSecondsKey), 0).toInt(),
         settings.value(QString::fromLatin1(kMaxMbKey), SEvidenceSettings::kDefaultMaxMb).toInt()});
}

void CWindowEvidence::SetSettings(const SEvidenceSettings& settings, bool remember) {
    m_settings = Clamped(settings);
    if (remember) {
        QSettings stored;
        stored.setValue(QString::fromLatin1(kSecondsKey), m_settings.nSeconds);
        stored.setValue(QString::fromLatin1(kMaxMbKey), m_settings.nMaxMb);
    }
}

void CWindowEvidence::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    if (hint != HINT_MEASUREMENT_STARTED && hint != HINT_MEASUREMENT_STOPPED) {
        return;  // a pause keeps the session: the measurement goes on after it
    }
    m_bMeasuring = hint == HINT_MEASUREMENT_STARTED;
    QMetaObject::invokeMethod(
        this, [this] { Sync(); }, Qt::QueuedConnection);
}

void CWindowEvidence::Sync() {
    if (!m_bMeasuring || !m_doc.IsRunning()) {
        if (!m_bMeasuring) {
            EndSession();
        }
        return;
    }
    std::string folder;
    m_doc.GetLogFolder(folder);
    const bool logging = m_doc.GetLoggingState() != CTAVIKSDIDoc::ELoggingState::Off;
    if (m_pSession || m_settings.nSeconds <= 0) {
        return;
    }
    if (!logging || folder.empty()) {
        m_doc.GetPrompt().Notice(kEvidenceWithoutLogging);
        return;
    }
    try {
        m_pSession =
            std::make_unique<CEvidenceSession>(m_doc, folder, m_settings.nSeconds,
                                               static_cast<std::uint64_t>(m_settings.nMaxMb) << 20);
    } catch (const std::exception& e) {
        m_doc.GetPrompt().Notice(std::string("no evidence clips: ") + e.what());
    }
}

void CWindowEvidence::EndSession() {
    if (!m_pSession) {
        return;
    }
    // The clips of the last seconds end with the measurement.
    const std::string fault = m_pSession->Finish();
    m_pSession.reset();
    if (!fault.empty()) {
        m_doc.GetPrompt().Notice(fault);
    }
}

}  // namespace tavik

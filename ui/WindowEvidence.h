#pragma once

#include <memory>

#include <QObject>

#include "platform/Document.h"

namespace tavik {

class CTAVIKSDIDoc;
class CEvidenceSession;

// The evidence clips setting: seconds of MPX before and after each alarm activation (0 = no
// clips) and the cap of the clips' folder.
struct SEvidenceSettings {
    static constexpr int kMaxSeconds = 120;
    static constexpr int kDefaultMaxMb = 500;
    static constexpr int kMaxMb = 1000000;

    int nSeconds = 0;
    int nMaxMb = kDefaultMaxMb;

    bool operator==(const SEvidenceSettings&) const = default;
};

// Said at a start with evidence clips set while logging is off.
inline constexpr const char* kEvidenceWithoutLogging =
    "Evidence clips are kept only while logging: \"Enable Logging\" is off, so none are kept";

// The window's evidence clips: while a measurement runs (paused included) with logging on and
// the seconds above 0, a CEvidenceSession keeps the clips in the log folder's evidence/; it is
// made on the start and finished on the stop (a fault of its clips becomes a notice). The
// session is made and ended outside the hint that announces the change (a queued call), since
// it adds and removes a view of the document. User-interface thread.
class CWindowEvidence final : public QObject, public CView {
    Q_OBJECT

public:
    // Attaches to the document with the remembered setting.
    explicit CWindowEvidence(CTAVIKSDIDoc& doc);
    ~CWindowEvidence() override;
    CWindowEvidence(const CWindowEvidence&) = delete;
    CWindowEvidence& operator=(const CWindowEvidence&) = delete;

    const SEvidenceSettings& GetSettings() const { return m_settings; }
    // Values out of range are brought into it. `remember`: kept for the next start (the page);
    // otherwise for this run only (the command line). Applies from the next start.
    void SetSettings(const SEvidenceSettings& settings, bool remember);
    static SEvidenceSettings RememberedSettings();

    bool HasSession() const { return m_pSession != nullptr; }

    void OnUpdate(CView* sender, long hint, void* object) override;

private:
    void Sync();
    void EndSession();

    CTAVIKSDIDoc& m_doc;
    SEvidenceSettings m_settings;
    bool m_bMeasuring = false;
    std::unique_ptr<CEvidenceSession> m_pSession;
};

}  // namespace tavik

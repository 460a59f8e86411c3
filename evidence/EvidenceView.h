#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Document.h"

namespace tavik {

class CEvidenceClips;
class CTAVIKSDIDoc;

// The log line that names an activation's clip, written right after the activation's line.
inline constexpr const char* kEvidenceClipPrefix = "Evidence clip: ";
// The clips' folder inside the log folder.
inline constexpr const char* kEvidenceFolder = "evidence";
// Said once when clips were asked for but no log folder was given.
inline constexpr const char* kEvidenceWithoutLogFolder =
    "--evidence: no log folder was given (--log-folder DIR), so no evidence clips are kept";

// On every alarm activation asks the clips for one and writes "Evidence clip: evidence/FILE"
// into the text log. Added to the document after the view that writes the activation's line,
// so the clip's line follows it. Runs on the document's (user-interface) thread.
class CEvidenceView : public CView {
public:
    CEvidenceView(CTAVIKSDIDoc& doc, CEvidenceClips& clips) : m_doc(doc), m_clips(clips) {}

    void OnUpdate(CView* sender, long hint, void* object) override;

private:
    CTAVIKSDIDoc& m_doc;
    CEvidenceClips& m_clips;
};

// The clips of one measurement: attaches the clips to the document's MPX blocks and the view to
// its hints, and detaches both when it ends. Made and ended on the user-interface thread.
class CEvidenceSession {
public:
    // Clips of `seconds` before and after each activation into LOGFOLDER/evidence, together at
    // most `maxBytes`.
    CEvidenceSession(CTAVIKSDIDoc& doc, const std::string& logFolder, int seconds,
                     std::uint64_t maxBytes);
    ~CEvidenceSession();
    CEvidenceSession(const CEvidenceSession&) = delete;
    CEvidenceSession& operator=(const CEvidenceSession&) = delete;

    // After the measurement stopped: writes the clips still waiting with the samples there are.
    // Returns the notice of clips that could not be written, else "".
    std::string Finish();

private:
    CTAVIKSDIDoc& m_doc;
    std::unique_ptr<CEvidenceClips> m_pClips;
    std::unique_ptr<CEvidenceView> m_pView;
};

}  // namespace tavik

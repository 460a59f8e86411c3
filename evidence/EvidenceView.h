#pragma once

#include <string>

#include "platform/Document.h"

namespace tavik {

class CEvidenceClips;
class CTAVIKSDIDoc;

// The log line that names an activation's clip, written right after the activation's line.
inline constexpr const char* kEvidenceClipPrefix = "Evidence clip: ";

// On every alarm activation asks the clips for one and writes "Evidence clip: evidence/FILE"
// into the text log. Added to the document after the view that writes the activation's line,
// so the clip's line follows it. Runs on the document's (user-interface) thread.
class CEvidenceView : public CView {
public:
    CEvidenceView(CTAVIKSDIDoc& doc, CEvidenceClips& clips) : m_doc(doc), m_clips(clips) {}

    void OnUpdate(CView* sender, long hint, void* object) override;

    // The clip of the last activation, relative to the log folder ("evidence/FILE").
    const std::string& GetLastClip() const { return m_strLastClip; }

private:
    CTAVIKSDIDoc& m_doc;
    CEvidenceClips& m_clips;
    std::string m_strLastClip;
};

}  // namespace tavik

#pragma once

#include <string>

#include "platform/MessageTarget.h"

namespace tavik {

class CTAVIKSDIDoc;

// Routes the results that the analysers and the device threads post to the result window into
// the document, on the user-interface thread: the deviation (EResultCode::DeviationPeak), the
// newest 60-second MPX power (EResultCode::PowerHistory), the MPX readings
// (EResultCode::MpxReadings, kept by the document) and the multipath result
// (EResultCode::Multipath, then HINT_MULTIPATH_RESULT) become the second's current values; a
// transfer-thread failure (WM_TRANSFER_ERROR) stops the measurement and is reported, except a live
// receiver's loss and return of its stream, which only go to the log. The GUI's data view and the
// headless runner both call Route first and then show what they show.
class CResultRouter {
public:
    explicit CResultRouter(CTAVIKSDIDoc& doc) : m_doc(doc) {}

    // True when the message was for the result window (WM_ANALYSER_RESULT, WM_TRANSFER_ERROR,
    // WM_ANALYSER_ERROR), handled or ignored.
    bool Route(const CMessage& message);

private:
    void RouteAnalyserResult(const CMessage& message);
    void OnDeviceError(int errorId, int subId, const std::string* text);

    CTAVIKSDIDoc& m_doc;
};

}  // namespace tavik

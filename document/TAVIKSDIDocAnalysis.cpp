#include "document/TAVIKSDIDoc.h"

namespace tavik {

// Clears the analysers after a stop, in the order deviation, MPX power, multipath, spectrum.
// A failure has already announced the reset (hint 13); the stop then goes no further.
void CTAVIKSDIDoc::ClearAnalysers() {
    try {
        m_deviation.ClearBuffer();
    } catch (CDeviationTavikException& e) {
        UpdateAllViews(nullptr, HINT_MEASUREMENT_RESET);
        e.AppendMessage("StopMeasurement: Could not clear data buffers!\n");
        throw;
    }
    // HOOK MPX-power analyser: ClearBuffer, catching CMPXPowerTavikException as above.
    // HOOK multipath analyser: ClearBuffer, catching CMultipathTavikException as above.
    // HOOK spectrum analyser: ClearPeakHold.
}

void CTAVIKSDIDoc::AnalyseMultipath() {}

}  // namespace tavik

#include "document/TAVIKSDIDoc.h"

namespace tavik {

static_assert(CMultipathTavik::kBlockSize == GLOBAL_SAMPLE_BUFSIZE,
              "the multipath analyser takes whole sample blocks");

// Clears the analysers after a stop, in the order deviation, MPX power, multipath, spectrum.
void CTAVIKSDIDoc::ClearAnalysers() {
    // Multipath: third, after deviation and MPX power, before the spectrum peak hold.
    try {
        m_multipath.ClearBuffer();
    } catch (CMultipathTavikException& e) {
        UpdateAllViews(nullptr, HINT_MEASUREMENT_RESET);
        e.AppendMessage("StopMeasurement: Could not clear data buffers!\n");
        throw;
    }
}

void CTAVIKSDIDoc::AnalyseMultipath() {
    m_multipath.Analyse();
}

void CTAVIKSDIDoc::OnMultipathResult(std::shared_ptr<const CMultipathResult> result) {
    if (result) {
        m_multipathResult = *result;
    }
}

}  // namespace tavik

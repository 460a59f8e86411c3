#include "document/TAVIKSDIDoc.h"

namespace tavik {

static_assert(CMultipathTavik::kBlockSize == GLOBAL_SAMPLE_BUFSIZE,
              "the multipath analyser takes whole sample blocks");

namespace {

// Runs one analyser's clearing; a failure announces the reset (HINT_MEASUREMENT_RESET), gets the
// stop's line and goes on up as the same class, so the stop goes no further.
template <class Exception, class Clear>
void ClearOrThrow(CTAVIKSDIDoc& doc, Clear&& clear) {
    try {
        clear();
    } catch (Exception& e) {
        doc.UpdateAllViews(nullptr, HINT_MEASUREMENT_RESET);
        e.AppendMessage("StopMeasurement: Could not clear data buffers!\n");
        throw;
    }
}

}  // namespace

// Clears the analysers after a stop, in the order deviation, MPX power, multipath, MPX levels,
// spectrum.
void CTAVIKSDIDoc::ClearAnalysers() {
    ClearOrThrow<CDeviationTavikException>(*this, [&] { m_deviation.ClearBuffer(); });
    ClearOrThrow<CMPXPowerTavikException>(*this, [&] { m_mpxPower.ClearBuffer(); });
    ClearOrThrow<CMultipathTavikException>(*this, [&] { m_multipath.ClearBuffer(); });
    ClearOrThrow<CMPXPowerTavikException>(*this, [&] { m_mpxLevels.ClearBuffer(); });
    m_spectrum.ClearPeakHold();
    m_mpxReadings.reset();
    ForgetCurrentValues();  // the cleared analysers' values no longer stand
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

#include "document/TAVIKSDIDoc.h"

// Where the setup reaches the analysers and counters that other parts of the document own.

namespace tavik {

// After a document was opened and from SetDeviationOptions.
void CTAVIKSDIDoc::ApplyDeviationFilter() {
    m_deviation.SetFilter(m_header.m_bFilter != 0);
}

// From SetWindowFunction.
void CTAVIKSDIDoc::ApplyWindowFunction() {
    m_spectrum.SetWindow(static_cast<int>(m_header.m_nWindowFunction));
}

// Whenever the setup is loaded, reset or changed: the checked setup holds only values the
// MPX levels take.
void CTAVIKSDIDoc::ApplyDecoderSettings() {
    m_mpxLevels.SetDeemphasis(m_header.m_nDeemphasis);
    m_mpxLevels.SetSilence(m_header.m_fSilenceDb, m_header.m_nSilenceSeconds);
}

// On a new document: 6000 ADC units are 19 kHz deviation.
void CTAVIKSDIDoc::ResetAnalyserReferences() {
    m_deviation.SetReference(kMpxReferenceAmplitude);
    m_mpxPower.SetReference(kMpxReferenceAmplitude);
}

// On a new document. A scan still running is ended first, so that its thread never writes the
// panorama fields while they are reset.
void CTAVIKSDIDoc::ResetMeasurementCounters() {
    m_panorama.Reset();
    m_nMpxCount = 0;
    m_nLevelCount = 0;
    m_nRdsCount = 0;
    m_logger.ResetRecords();
    m_fDeviationPeakSinceCheck.reset();
}

}  // namespace tavik

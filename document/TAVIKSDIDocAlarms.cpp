#include "document/TAVIKSDIDoc.h"

namespace tavik {

// Compares the enabled alarms with the current values; no alarms are defined yet.
void CTAVIKSDIDoc::CheckAlarm() {}

}  // namespace tavik

#include "document/TAVIKSDIDoc.h"

namespace tavik {

// Reads the multipath calibration block from the receiver's EEPROM.
void CTAVIKSDIDoc::LoadCalibrators() {}

}  // namespace tavik

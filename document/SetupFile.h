#pragma once

#include <cstdint>

#include "alarms/AlarmMap.h"
#include "document/ProtocolHeader.h"
#include "platform/Archive.h"

namespace tavik {

// The body of the document file: a 16-bit schema number, the alarm set, then the protocol
// record in the layout of that schema.
constexpr std::uint16_t kSetupSchema = 1;
constexpr std::uint16_t kSetupSchemaWithoutAntennaB = 999;  // an earlier layout

void StoreSetup(CArchive& ar, const CProtocolHeader& header, const CAlarmMap& alarms);

// Reads into `header` (which holds the values to keep for fields a schema does not carry) and
// `alarms`; throws CArchiveException on damaged input, possibly after changing them.
void LoadSetup(CArchive& ar, CProtocolHeader& header, CAlarmMap& alarms);

}  // namespace tavik

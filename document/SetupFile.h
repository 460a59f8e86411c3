#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "alarms/AlarmMap.h"
#include "document/ProtocolHeader.h"
#include "platform/Archive.h"

namespace tavik {

// The body of the document file: a 16-bit schema number, the alarm set, then the protocol
// record in the layout of that schema.
constexpr std::uint16_t kSetupSchema = 1;
constexpr std::uint16_t kSetupSchemaWithoutAntennaB = 999;  // an earlier layout
// After the record, only when the set holds alarms on sources stored apart
// (CAlarmItem::IsStoredApart): these four bytes, then those alarms as a second alarm map.
// Readers that stop after the record load such a file without them.
constexpr std::array<char, 4> kApartAlarmsMarker{'A', 'L', 'R', '2'};
// After those (or after the record when there are none), only when a stereo decoder setting
// differs from a new document's: these four bytes, the de-emphasis (32-bit signed, us), the
// silence threshold (IEEE single, dB) and the silence duration (32-bit signed, s). Readers
// that stop before it load the file with their defaults.
constexpr std::array<char, 4> kDecoderMarker{'D', 'E', 'C', '1'};

void StoreSetup(CArchive& ar, const CProtocolHeader& header, const CAlarmMap& alarms);

// Reads into `header` (which holds the values to keep for fields a schema does not carry) and
// `alarms`; throws CArchiveException on damaged input, possibly after changing them.
void LoadSetup(CArchive& ar, CProtocolHeader& header, CAlarmMap& alarms);

// LoadSetup into copies, then the rules that the forms and `setup write` keep; `header` and
// `alarms` change only when both hold. Throws CArchiveException with the reason otherwise.
void LoadCheckedSetup(CArchive& ar, CProtocolHeader& header, CAlarmMap& alarms);

enum class ESetupRead {
    Read,
    Unreadable,  // the file could not be read: nothing was looked at
    Damaged,     // read, but not a setup (or one that breaks the rules)
};

// Reads a setup (.tvk) file as the application opens it; `why` is the cause when it fails
// (the text after "The file could not be read: ").
ESetupRead ReadSetupFile(const std::string& path, CProtocolHeader& header, CAlarmMap& alarms,
                         std::string& why);
// Replaces the file whole or not at all; "" or the cause.
std::string WriteSetupFile(const std::string& path, const CProtocolHeader& header,
                           const CAlarmMap& alarms);

}  // namespace tavik

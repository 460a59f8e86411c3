#include "document/SetupFile.h"

#include <initializer_list>
#include <vector>

#include "document/SetupRules.h"
#include "platform/File.h"
#include "platform/FileContents.h"

namespace tavik {
namespace {

// A setup file is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxSetupBytes = 64u << 20;

// Reads `marker` when it is next; otherwise the position stays where it was.
bool TakeMarker(CArchive& ar, const std::array<char, 4>& marker) {
    if (ar.GetRemaining() < marker.size()) {
        return false;
    }
    CArchive peek(ar);
    for (const char c : marker) {
        if (peek.ReadUInt8() != static_cast<std::uint8_t>(c)) {
            return false;
        }
    }
    ar = peek;
    return true;
}

void WriteMarker(CArchive& ar, const std::array<char, 4>& marker) {
    for (const char c : marker) {
        ar.WriteUInt8(static_cast<std::uint8_t>(c));
    }
}

bool HasDecoderSettings(const CProtocolHeader& header) {
    const CProtocolHeader defaults;
    return header.m_nDeemphasis != defaults.m_nDeemphasis ||
           header.m_fSilenceDb != defaults.m_fSilenceDb ||
           header.m_nSilenceSeconds != defaults.m_nSilenceSeconds;
}

// The extensions after the record, each when its marker follows; other bytes there are
// ignored, as readers before the markers ignored them. Absent ones keep `header`'s values.
void LoadExtensions(CArchive& ar, CProtocolHeader& header, CAlarmMap& alarms) {
    if (TakeMarker(ar, kApartAlarmsMarker)) {
        alarms.Load(ar);
    }
    // Absent, they are a new document's: a file without them was saved with those or before
    // they existed.
    const CProtocolHeader defaults;
    header.m_nDeemphasis = defaults.m_nDeemphasis;
    header.m_fSilenceDb = defaults.m_fSilenceDb;
    header.m_nSilenceSeconds = defaults.m_nSilenceSeconds;
    if (TakeMarker(ar, kDecoderMarker)) {
        header.m_nDeemphasis = ar.ReadInt32();
        header.m_fSilenceDb = ar.ReadFloat();
        header.m_nSilenceSeconds = ar.ReadInt32();
    }
}

}  // namespace

void StoreSetup(CArchive& ar, const CProtocolHeader& header, const CAlarmMap& alarms) {
    ar.WriteUInt16(kSetupSchema);
    alarms.Store(ar, CAlarmMap::EPart::Common);
    for (const std::string& text : header.m_strings) {
        ar.WriteString(text);
    }
    ar.WriteFloat(header.m_fFrequency);
    ar.WriteInt32(header.m_nAntenna);
    ar.WriteUInt8(static_cast<std::uint8_t>(header.m_nWindowFunction));
    ar.WriteFloat(header.m_fDeviationLimit);
    ar.WriteInt32(header.m_bLimitTriangle);
    ar.WriteInt32(header.m_bFilter);
    // Alarms on the newer sources follow the setup, behind a marker: a reader that stops
    // after the filter never sees them and loads the rest. Without them the file ends here,
    // byte for byte as before they existed.
    if (alarms.HasApart()) {
        WriteMarker(ar, kApartAlarmsMarker);
        alarms.Store(ar, CAlarmMap::EPart::Apart);
    }
    if (HasDecoderSettings(header)) {
        WriteMarker(ar, kDecoderMarker);
        ar.WriteInt32(header.m_nDeemphasis);
        ar.WriteFloat(header.m_fSilenceDb);
        ar.WriteInt32(header.m_nSilenceSeconds);
    }
}

void LoadSetup(CArchive& ar, CProtocolHeader& header, CAlarmMap& alarms) {
    using H = CProtocolHeader;
    const std::uint16_t schema = ar.ReadUInt16();
    alarms.Load(ar);
    if (schema == kSetupSchema) {
        for (std::string& text : header.m_strings) {
            text = ar.ReadString();
        }
    } else if (schema == kSetupSchemaWithoutAntennaB) {
        for (int field : {H::OPERATOR, H::ORGANISATION, H::ANTENNA_A_TYPE, H::ANTENNA_A_HEIGHT,
                          H::ANTENNA_A_POLARISATION, H::COMMENT, H::LOCATION}) {
            header.m_strings[field] = ar.ReadString();
        }
        header.m_strings[H::ANTENNA_B_TYPE].clear();
        header.m_strings[H::ANTENNA_B_HEIGHT].clear();
        header.m_strings[H::ANTENNA_B_POLARISATION].clear();
    } else {
        return;  // an unknown layout: the alarms are read, the record stays as it was
    }
    header.m_fFrequency = ar.ReadFloat();
    header.m_nAntenna = ar.ReadInt32();
    header.m_nWindowFunction = ar.ReadUInt8();
    header.m_fDeviationLimit = ar.ReadFloat();
    header.m_bLimitTriangle = ar.ReadInt32();
    if (schema == kSetupSchema) {
        header.m_bFilter = ar.ReadInt32();
    }
    LoadExtensions(ar, header, alarms);
}

void LoadCheckedSetup(CArchive& ar, CProtocolHeader& header, CAlarmMap& alarms) {
    CProtocolHeader read = header;
    CAlarmMap readAlarms;
    LoadSetup(ar, read, readAlarms);
    // A damaged or hostile file that reads whole is refused all the same when a field breaks
    // the rules: no alarm that can never fire.
    if (const std::string reason = setup_rules::CheckSetup(read, readAlarms); !reason.empty()) {
        throw CArchiveException(reason);
    }
    header = std::move(read);
    alarms = std::move(readAlarms);
}

ESetupRead ReadSetupFile(const std::string& path, CProtocolHeader& header, CAlarmMap& alarms,
                         std::string& why) {
    std::vector<std::uint8_t> bytes;
    if (const int cause = ReadFileContents(path, bytes, kMaxSetupBytes); cause != 0) {
        why = CauseText(cause);
        return ESetupRead::Unreadable;
    }
    try {
        CArchive ar(bytes.data(), bytes.size());
        LoadCheckedSetup(ar, header, alarms);
    } catch (const CArchiveException& e) {
        why = e.what();
        return ESetupRead::Damaged;
    }
    return ESetupRead::Read;
}

std::string WriteSetupFile(const std::string& path, const CProtocolHeader& header,
                           const CAlarmMap& alarms) {
    CArchive ar;
    StoreSetup(ar, header, alarms);
    const int cause = ReplaceFileContents(path, ar.GetBuffer());
    return cause == 0 ? std::string() : CauseText(cause);
}

}  // namespace tavik

#pragma once

#include <optional>

#include <QString>

#include "platform/MpxReadings.h"

namespace tavik {

// The texts of the stereo and audio page's reading fields for one second's readings, or for
// none yet ("—" in every field).
struct SMpxReadingTexts {
    QString strPilot;       // "6.8 kHz", "19 kHz" (no decimal from 10 kHz on), "no pilot"
    QString strPilotError;  // "+0.4 Hz"; "—" without a pilot
    QString strRds;         // "3.5 kHz", "no RDS"
    QString strBalance;     // "+1.5 dB": left louder than right; "0.0 dB"
    QString strSilence;     // "SILENCE 12 s" while silence, else "quiet 3 s"
    bool bSilence = false;  // the silence field is shown as an alarm
};

SMpxReadingTexts FormatMpxReadings(const std::optional<CMpxReadings>& readings);

// A deviation in kHz with one decimal below 10 kHz, none from there on.
QString FormatDeviationKhz(float khz);

}  // namespace tavik

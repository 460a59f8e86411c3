#include "ui/MpxReadingsText.h"

#include <cmath>

namespace tavik {

namespace {

const QString kNone = QStringLiteral("\u2014");

// "%+.1f" with the unit; a value that rounds to zero reads "0.0", never "-0.0".
QString Signed(float value, const char* unit) {
    const double rounded = std::round(static_cast<double>(value) * 10.0) / 10.0;
    if (rounded == 0.0) {
        return QStringLiteral("0.0 %1").arg(QString::fromLatin1(unit));
    }
    return QString::asprintf("%+.1f %s", rounded, unit);
}

}  // namespace

QString FormatDeviationKhz(float khz) {
    // Decided on the rounded value: 9.96 kHz reads "10 kHz", not "10.0 kHz".
    const double value = static_cast<double>(khz);
    if (std::fabs(std::round(value * 10.0) / 10.0) < 10.0) {
        return QString::asprintf("%.1f kHz", value);
    }
    return QString::asprintf("%.0f kHz", value);
}

SMpxReadingTexts FormatMpxReadings(const std::optional<CMpxReadings>& readings) {
    SMpxReadingTexts texts{kNone, kNone, kNone, kNone, kNone, false};
    if (!readings) {
        return texts;
    }
    const CMpxReadings& r = *readings;
    if (r.pilotKhz) {
        texts.strPilot = FormatDeviationKhz(*r.pilotKhz);
        if (r.pilotErrorHz) {
            texts.strPilotError = Signed(*r.pilotErrorHz, "Hz");
        }
    } else {
        texts.strPilot = QStringLiteral("no pilot");
    }
    texts.strRds = r.rdsKhz ? FormatDeviationKhz(*r.rdsKhz) : QStringLiteral("no RDS");
    texts.strBalance = Signed(r.balanceDb, "dB");
    texts.bSilence = r.silence;
    texts.strSilence = r.silence ? QStringLiteral("SILENCE %1 s").arg(r.quietSeconds)
                                 : QStringLiteral("quiet %1 s").arg(r.quietSeconds);
    return texts;
}

}  // namespace tavik

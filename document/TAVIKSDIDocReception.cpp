// What the document makes of how a software receiver receives: a carrier lost and back, the
// frequency error and an overloaded converter, logged when they begin and end.
#include <cmath>

#include "document/TAVIKSDIDoc.h"
#include "platform/GenericException.h"

namespace tavik {

namespace {

// A frequency error logged beyond kFrequencyWarning is logged as back below this.
constexpr float kFrequencyBack = 1500.0f;  // Hz

}  // namespace

void CTAVIKSDIDoc::LogReception(const std::string& line) {
    WriteLog(line);
    if (m_receptionListener) {
        m_receptionListener(line);
    }
}

bool CTAVIKSDIDoc::HasSignal() const {
    return !m_bReceiverLost && (!m_reception || m_reception->bSignal);
}

void CTAVIKSDIDoc::ResetReception() {
    m_reception.reset();
    m_alarmWatch.Start(m_pClock->Now());
    m_bReceiverLost = false;
    m_bSignal = true;
    m_bFrequencyOff = false;
    m_bOverloadLogged = false;
    m_logger.SetSignal(true);
}

void CTAVIKSDIDoc::SetSignal(bool present, const std::string& why) {
    if (present == m_bSignal) {
        return;
    }
    m_bSignal = present;
    if (!present) {
        // Nothing measured before the loss stands for the seconds without a carrier: the
        // alarms on these values wait and the records keep 0, marked as without signal.
        ForgetCurrentValues();
    }
    m_logger.SetSignal(present);
    LogReception("Reception: " + why);
}

void CTAVIKSDIDoc::SetInView(bool inView) {
    if (inView == m_bInView) {
        return;
    }
    m_bInView = inView;
    m_logger.SetInView(inView);
    if (!inView) {
        ForgetCurrentValues();  // what was measured does not stand for the seconds away
    }
    LogReception(inView ? "Reception: in view again"
                        : "Reception: out of view while the receiver measures another band");
}

void CTAVIKSDIDoc::OnReceiverLost(bool lost) {
    m_bReceiverLost = lost;
    if (lost) {
        SetSignal(false, "no samples from the receiver");
    } else if (!m_reception || m_reception->bSignal) {
        SetSignal(true, "samples from the receiver again");
    }
}

void CTAVIKSDIDoc::OnReception(const CReception& reception) {
    m_reception = reception;
    const auto megahertz = static_cast<double>(GetTunerFrequency());
    const auto cn = static_cast<double>(reception.fCarrierToNoise);
    if (!m_bReceiverLost) {
        SetSignal(reception.bSignal,
                  reception.bSignal
                      ? StringFormat("FM carrier at %.3f MHz (C/N %.1f dB)", megahertz, cn)
                      : StringFormat("no FM carrier at %.3f MHz (C/N %.1f dB)", megahertz, cn));
    }
    if (!reception.bSignal) {
        return;  // the frequency error of noise says nothing
    }
    const float error = std::fabs(reception.fFrequencyError);
    if (!m_bFrequencyOff && error > kFrequencyWarning) {
        m_bFrequencyOff = true;
        LogReception(StringFormat("Reception: the carrier is %+.1f kHz (%+.1f ppm) off %.3f MHz",
                                  static_cast<double>(reception.fFrequencyError) / 1000.0,
                                  static_cast<double>(reception.fFrequencyErrorPpm), megahertz));
    } else if (m_bFrequencyOff && error < kFrequencyBack) {
        m_bFrequencyOff = false;
        LogReception(StringFormat("Reception: the carrier is within %.1f kHz of %.3f MHz again",
                                  static_cast<double>(kFrequencyBack) / 1000.0, megahertz));
    }
    if (!m_bOverloadLogged && reception.Overloaded()) {
        m_bOverloadLogged = true;
        LogReception(
            StringFormat("Reception: %.2f %% of the IQ samples at the converter's limits; "
                         "lower the gain",
                         static_cast<double>(reception.fOverload)));
    } else if (m_bOverloadLogged && reception.fOverload == 0.0f) {
        m_bOverloadLogged = false;
        LogReception("Reception: the converter is within its limits again");
    }
}

}  // namespace tavik

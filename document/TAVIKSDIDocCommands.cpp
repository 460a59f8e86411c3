#include "document/TAVIKSDIDoc.h"

namespace tavik {

void CTAVIKSDIDoc::OnMeasurementStart() {
    if (m_bRunning.load()) {
        return;
    }
    try {
        // The device stays open while measuring; PauseMeasurement closes it.
        m_device.Open();
        m_device.SetTunerFrequency(m_header.m_fFrequency);
        m_strStationLogged.clear();  // each run names its station in the log
        m_strStationSeen.clear();
        StartMeasurement();
    } catch (const CTavikControlException& e) {
        m_device.Close();
        UpdateAllViews(nullptr, HINT_HARDWARE_ERROR);
        // The recordings, an IQ recording or a live SDR say why they cannot be used ("The
        // recordings folder "/srv/rec" holds no mpx.dat"); "check cable and power" is for a
        // receiver on a link.
        WarningBox(m_device.UsesRecordings() || m_device.UsesIq() || m_device.UsesLive()
                       ? FormatExceptionCauseFirst(e)
                       : FormatException(e));
    } catch (const CDocumentException& e) {
        m_device.Close();
        UpdateAllViews(nullptr, HINT_HARDWARE_ERROR);
        WarningBox(FormatException(e));
    }
}

void CTAVIKSDIDoc::OnMeasurementPause() {
    if (!m_bRunning.load()) {
        return;
    }
    try {
        PauseMeasurement();
    } catch (const CTavikControlException& e) {
        SendStateHint();
        WarningBox(FormatException(e));
    }
    SendStateHint();
    WriteLog("Measurement Paused");
}

void CTAVIKSDIDoc::OnMeasurementStop() {
    if (!m_bRunning.load() && !m_bPaused.load()) {
        return;
    }
    try {
        StopMeasurement();
    } catch (const CDeviationTavikException& e) {
        WarningBox(FormatException(e));
    } catch (const CMPXPowerTavikException& e) {
        WarningBox(FormatException(e));
    } catch (const CMultipathTavikException& e) {
        WarningBox(FormatException(e));
    } catch (const CTavikControlException& e) {
        WarningBox(FormatException(e));
    }
    SendStateHint();
}

void CTAVIKSDIDoc::OnDetectHardware() {
    try {
        m_device.Open();
        m_device.SetTunerFrequency(m_header.m_fFrequency);
        m_device.SetAntenna(m_header.m_nAntenna);
        LoadCalibrators();
        m_device.Close();
    } catch (const CTavikControlException& e) {
        m_device.Close();
        UpdateAllViews(nullptr, HINT_HARDWARE_ERROR);
        WarningBox(FormatException(e));
        return;
    }
    UpdateAllViews(nullptr, HINT_HARDWARE_FOUND);
    UpdateAllViews(nullptr, HINT_FREQUENCY_CHANGED);
}

}  // namespace tavik

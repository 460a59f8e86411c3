#include "document/TAVIKSDIDoc.h"

#include <algorithm>

namespace tavik {

CTAVIKSDIDoc::CTAVIKSDIDoc() {
    m_deviation.SetReference(kMpxReferenceAmplitude);
    m_mpxPower.SetReference(kMpxReferenceAmplitude);
}

CTAVIKSDIDoc::~CTAVIKSDIDoc() {
    m_panorama.End();
    StopADCDistribution();
    m_device.StopTransfer();
}

void CTAVIKSDIDoc::SetResultWindow(HWND hwnd) {
    m_hResultWnd = hwnd;
    m_deviation.SetNotifyWindow(hwnd);
    m_mpxPower.SetNotifyWindow(hwnd);
    m_mpxLevels.SetNotifyWindow(hwnd);
    m_spectrum.SetNotifyWindow(hwnd);
    m_multipath.SetNotifyWindow(hwnd);
    m_rdsWorker.SetNotifyWindow(hwnd);
}

void CTAVIKSDIDoc::StartMeasurement() {
    const bool resuming = m_bPaused.load();
    m_multipathResult.m_fMultipath = 0.0f;
    m_multipathResult.m_fLevel = 0.0f;
    if (m_bRunning.load()) {
        throw CDocumentException("StartMeasurement: Measurement already running\n", 0);
    }
    try {
        StartADCDistribution();
    } catch (CDocumentException& e) {
        e.AppendMessage("StartMeasurement: Could not start measurement!\n");
        throw;
    }
    m_bPaused.store(false);
    try {
        m_bRunning.store(m_device.StartADCTransfer(m_hResultWnd));
    } catch (CTavikControlException& e) {
        // Undo the whole start: transfers and the distribution threads started above.
        m_device.StopTransfer();
        StopADCDistribution();
        e.AppendMessage("StartMeasurement: Could not start measurement!\n");
        throw;
    }
    if (!m_bRunning.load()) {
        m_device.StopTransfer();
        StopADCDistribution();
        throw CDocumentException("StartMeasurement: Measurement could not be started", 0);
    }
    ResetReception();
    m_startTime = m_pClock->Now();
    if (!resuming) {
        m_elapsed = CTimeSpan(0);
        m_nMeasuredSeconds = 0;
    }
    m_drops.Begin();
    UpdateAllViews(nullptr, HINT_RUN_STARTED);

    m_logger.DiscardResults();
    m_logger.ResumeLogFiles();  // logging that a stop closed goes on into the day's files
    WriteLog("Measurement Started");
    m_logger.ClearRecordStamp();
    SetResultValue(EResultValue::Close, 0.0f);
    SendStateHint();
}

void CTAVIKSDIDoc::PauseMeasurement() {
    StopADCDistribution();
    m_bRunning.store(m_device.StopTransfer());
    m_bPaused.store(true);
    UpdateAllViews(nullptr, HINT_RUN_PAUSED);
    try {
        m_device.SetAlarmOutput(ALARM_OUTPUT_ALL, false);
    } catch (CTavikControlException& e) {
        UpdateAllViews(nullptr, HINT_HARDWARE_ERROR);
        m_device.Close();
        e.AppendMessage("PauseMeasurement: Alarm reset failed!\n");
        throw;
    }
    m_device.Close();
}

void CTAVIKSDIDoc::StopMeasurement() {
    if (!m_bPaused.load()) {
        try {
            PauseMeasurement();
        } catch (const CTavikControlException&) {
            // The pause took effect; only the alarm-output reset failed.
        }
    }
    m_bPaused.store(false);
    ClearAnalysers();
    m_strPSName.clear();
    UpdateAllViews(nullptr, HINT_MEASUREMENT_RESET);
    m_logger.StopSyncing();  // the stop's lines wait for no disk: the close follows
    WriteLog("Measurement stopped");
    // The day's files get their footer; logging stays switched on for the next start.
    SuspendLogFiles();
}

void CTAVIKSDIDoc::OnMainTimerEvent() {
    SetInView(m_device.IsInView());
    m_elapsed += m_tickSpan;
    if (HasSignal() && m_bInView) {
        m_nMeasuredSeconds +=
            static_cast<std::uint64_t>(std::max<std::int64_t>(m_tickSpan.GetTotalSeconds(), 0));
    }
    m_logger.DeliverLogNotices();  // of the file work done since the last tick
    try {
        if (m_bInView) {
            CheckAlarm();
        }
    } catch (CTavikControlException& e) {
        e.AppendMessage("OnMainTimerEvent()\n");
        TickWarningBox(FormatException(e));
    }
    SetResultValue(EResultValue::Close, 0.0f);
    for (const std::string& line : m_drops.Check(m_pClock->Now())) {
        LogReception(line);  // the console hears of dropped work, not only the day's log
    }
    if (m_elapsed.GetSeconds() % 2 == 0 && HasSignal() && m_bInView) {
        AnalyseMultipath();
    }
    if (m_bRunning.load()) {
        bool remote = false;
        try {
            remote = m_device.IsRemoteState();
        } catch (const CTavikControlException&) {
            remote = false;
        }
        if (!remote) {
            OnMeasurementStop();
            TickWarningBox(
                "The measurement was stopped because the device\nwas switched to \"local\" "
                "state.");
        }
    }
    UpdateAllViews(nullptr, HINT_TIMER_TICK);
}

bool CTAVIKSDIDoc::SetTunerFrequency(float megahertz) {
    m_tunerFrequency = megahertz;
    m_header.m_fFrequency = megahertz;
    SetModifiedFlag();
    try {
        m_device.Open();
        m_device.SetTunerFrequency(megahertz);
        m_device.Close();
    } catch (CTavikControlException& e) {
        e.AppendMessage("SetTunerFrequency()\n");
        m_device.Close();
        throw;
    }
    return true;
}

bool CTAVIKSDIDoc::SetAntenna(int antenna) {
    m_header.m_nAntenna = antenna;
    SetModifiedFlag();
    try {
        m_device.Open();
        m_device.SetAntenna(antenna);
        m_device.Close();
    } catch (const CTavikControlException&) {
        m_device.Close();
        throw;
    }
    return true;
}

void CTAVIKSDIDoc::SendStateHint() {
    long hint = HINT_MEASUREMENT_STOPPED;
    if (m_bRunning.load()) {
        hint = HINT_MEASUREMENT_STARTED;
    } else if (m_bPaused.load()) {
        hint = HINT_MEASUREMENT_PAUSED;
    }
    UpdateAllViews(nullptr, hint);
}

void CTAVIKSDIDoc::SendPanoramaHint() {
    UpdateAllViews(nullptr, m_panorama.IsRunning() ? HINT_SCAN_STARTED : HINT_SCAN_ENDED);
}

bool CTAVIKSDIDoc::StartPanoramaScan(float start, float restore, int steps, float step,
                                     CPanoramaView* view, HWND hwnd) {
    m_panorama.Start(start, restore, steps, step, view, hwnd);
    // The scan has started, whether or not its thread has finished already (a short scan on a
    // fast pace may): the end comes with the thread's notice.
    UpdateAllViews(nullptr, HINT_SCAN_STARTED);
    return true;
}

bool CTAVIKSDIDoc::StopPanoramaScan() {
    m_panorama.Stop();
    return true;
}

}  // namespace tavik

#include <algorithm>

#include "document/TAVIKSDIDoc.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr int kReadingsPerPoint = 32;

void PostPanoramaNotice(HWND hwnd, std::uintptr_t wParam, std::intptr_t lParam) {
    if (hwnd != nullptr) {
        hwnd->PostMessage(WM_PANORAMA_NOTICE, wParam, lParam);
    }
}

}  // namespace

bool CTAVIKSDIDoc::StartPanoramaScan(float start, float restore, int steps, float step,
                                     CPanoramaView* view, HWND hwnd) {
    // A scan that was stopped may still be finishing its point: it ends before the next one
    // starts, so that two threads never share the tuner, the arrays and the device link.
    if (m_pPanoramaThread) {
        StopPanoramaScan();
        m_pPanoramaThread->Join();
        m_pPanoramaThread.reset();
    }
    m_pPanoramaView.store(view);
    m_fPanoramaRestore = restore;
    m_nPanoramaIndex.store(0);
    // The arrays hold kPanoramaPoints points; a longer scan would write past them.
    m_nPanoramaSteps = std::clamp(steps, 0, kPanoramaPoints);
    m_fPanoramaStep = step;
    m_fPanoramaStart = start;

    try {
        m_device.Open();
    } catch (CTavikControlException& e) {
        e.AppendMessage("StartPanoramaScan: Could not open Driver!\n");
        throw;
    }
    // The device link stays open until the scan thread ends.
    m_bPanoramaRunning.store(true);
    m_pPanoramaThread = std::make_unique<CThread>();
    if (!m_pPanoramaThread->Start(
            [this, hwnd](CThread& self) { return PanoramaThread(self, hwnd); })) {
        m_bPanoramaRunning.store(false);
        m_pPanoramaThread.reset();
        m_device.Close();
        throw CDocumentException("StartPanoramaScan: Could not begin thread\n", 0);
    }
    // The scan has started, whether or not its thread has finished already (a short scan on a
    // fast pace may): the end comes with the thread's notice.
    UpdateAllViews(nullptr, HINT_SCAN_STARTED);
    return true;
}

bool CTAVIKSDIDoc::StopPanoramaScan() {
    if (m_pPanoramaThread) {
        PostThreadMessage(m_pPanoramaThread->GetId(), WM_QUIT);
    }
    m_bPanoramaRunning.store(false);
    return true;
}

bool CTAVIKSDIDoc::WaitForPanoramaScan(std::chrono::milliseconds limit) {
    return !m_pPanoramaThread || m_pPanoramaThread->JoinFor(limit);
}

// Destructor: the view may be gone already, so the scan calls it no more.
void CTAVIKSDIDoc::EndPanoramaScan() {
    if (!m_pPanoramaThread) {
        return;
    }
    m_pPanoramaView.store(nullptr);
    StopPanoramaScan();
    m_pPanoramaThread->Join();
    m_pPanoramaThread.reset();
}

// Scan thread procedure: errors travel to the view's window as (error ID, sub-ID); the thread
// always closes the device and posts (2, 1) last.
int CTAVIKSDIDoc::PanoramaThread(CThread& self, HWND hwnd) {
    try {
        ScanPanorama(self.Queue());
    } catch (...) {
        // Any other failure ends the scan as a document error.
        const CGenericException e = CurrentException(EXC_DOCUMENT);
        // Cleared before the notices, so the panorama hint that follows reports the end.
        m_bPanoramaRunning.store(false);
        PostPanoramaNotice(hwnd, static_cast<std::uintptr_t>(e.GetErrorId()), e.GetSubId());
    }
    m_device.Close();
    PostPanoramaNotice(hwnd, 2, 1);
    return 0;
}

// Each point is read at the frequency the tuner is on, then the tuner steps on: the first
// point 100 ms after tuning to the start, each later one right after its step.
void CTAVIKSDIDoc::ScanPanorama(CMessageQueue& queue) {
    m_bPanoramaRunning.store(true);
    try {
        m_device.SetSOF(false);
        m_device.SetTunerFrequency(m_fPanoramaStart);
    } catch (CTavikControlException& e) {
        e.AppendMessage("ScanPanorama (thread): Could not disable SOF and set start frequency!\n");
        throw;
    }
    m_tunerFrequency.store(m_fPanoramaStart);
    m_pPanoramaPacer->Sleep(std::chrono::milliseconds(100));

    int index = 0;
    while (index < m_nPanoramaSteps) {
        CMessage message;
        if (queue.PeekMessage(message, WM_QUIT, WM_QUIT, false)) {
            const int got = queue.GetMessage(message, WM_QUIT, WM_QUIT);
            if (got == -1) {
                throw CDocumentException("GetMessage returned -1.", 0);
            }
            if (got == 0) {
                m_bPanoramaRunning.store(false);
            }
        }
        if (!m_bPanoramaRunning.load()) {
            break;
        }

        float readings[kReadingsPerPoint];
        try {
            m_device.GetPanoramaData(readings);
        } catch (CTavikControlException& e) {
            e.AppendMessage("ScanPanorama (thread): Could not get panorama data!\n");
            throw;
        }
        float sum = 0.0f;
        for (const float reading : readings) {
            sum += reading;
        }
        const float frequency = m_tunerFrequency.load();
        m_panoramaLevel[index] = static_cast<float>(sum / 32.0);
        m_panoramaFrequency[index] = frequency;

        try {
            m_device.SetTunerFrequency(frequency + m_fPanoramaStep);
        } catch (CTavikControlException& e) {
            e.AppendMessage("ScanPanorama (thread): Could not step frequency!\n");
            throw;
        }
        m_tunerFrequency.store(frequency + m_fPanoramaStep);

        if (CPanoramaView* view = m_pPanoramaView.load()) {
            view->AddPanoramaPoint(m_panoramaFrequency.data(), m_panoramaLevel.data(), index + 1);
        }
        ++index;
        m_nPanoramaIndex.store(index);
    }

    m_bPanoramaRunning.store(false);
    try {
        m_device.SetTunerFrequency(m_fPanoramaRestore);
        m_device.SetSOF(true);
    } catch (CTavikControlException& e) {
        e.AppendMessage("ScanPanorama (thread): Could not enable SOF and set old frequency!\n");
        throw;
    }
    // The tuner is back on the restore frequency; the document says so too.
    m_tunerFrequency.store(m_fPanoramaRestore);
    if (CPanoramaView* view = m_pPanoramaView.load()) {
        view->OnScanFinished();
    }
}

}  // namespace tavik

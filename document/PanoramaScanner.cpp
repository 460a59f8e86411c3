#include <algorithm>

#include "document/PanoramaScanner.h"
#include "platform/GenericException.h"
#include "platform/Messages.h"

namespace tavik {

namespace {

constexpr int kReadingsPerPoint = 32;

// An error's notice carries the error's lines, so that the box can say what failed.
void PostPanoramaNotice(HWND hwnd, std::uintptr_t wParam, std::intptr_t lParam,
                        std::string messages = {}) {
    if (hwnd != nullptr) {
        hwnd->PostMessage(CMessage{WM_PANORAMA_NOTICE,
                                   wParam,
                                   lParam,
                                   {},
                                   std::make_shared<const std::string>(std::move(messages))});
    }
}

}  // namespace

void CPanoramaScanner::Start(float start, float restore, int steps, float step, CPanoramaView* view,
                             HWND hwnd) {
    // A scan that was stopped may still be finishing its point: it ends before the next one
    // starts, so that two threads never share the tuner, the arrays and the device link.
    if (m_pThread) {
        Stop();
        m_pThread->Join();
        m_pThread.reset();
    }
    m_pView.store(view);
    m_fRestore = restore;
    m_nIndex.store(0);
    // The arrays hold kPoints points; a longer scan would write past them.
    m_nSteps = std::clamp(steps, 0, kPoints);
    m_fStep = step;
    m_fStart = start;

    try {
        m_device.Open();
    } catch (CTavikControlException& e) {
        e.AppendMessage("StartPanoramaScan: Could not open Driver!\n");
        throw;
    }
    // The device link stays open until the scan thread ends.
    m_bRunning.store(true);
    m_pThread = std::make_unique<CThread>();
    if (!m_pThread->Start([this, hwnd](CThread& self) { return Thread(self, hwnd); })) {
        m_bRunning.store(false);
        m_pThread.reset();
        m_device.Close();
        throw CDocumentException("StartPanoramaScan: Could not begin thread\n", 0);
    }
}

void CPanoramaScanner::Stop() {
    if (m_pThread) {
        PostThreadMessage(m_pThread->GetId(), WM_QUIT);
    }
    m_bRunning.store(false);
    m_device.AbortPanorama();  // a live receiver's point would take its time
}

bool CPanoramaScanner::WaitFor(std::chrono::milliseconds limit) {
    return !m_pThread || m_pThread->JoinFor(limit);
}

// The view may be gone already (destructor, new document), so the scan calls it no more.
void CPanoramaScanner::End() {
    if (!m_pThread) {
        return;
    }
    m_pView.store(nullptr);
    Stop();
    m_pThread->Join();
    m_pThread.reset();
}

void CPanoramaScanner::Reset() {
    End();
    m_nIndex.store(0);
    m_nSteps = 0;
    m_fStep = 0.025f;
    m_bRunning.store(false);
}

// Scan thread procedure: errors travel to the view's window as (error ID, sub-ID); the thread
// always closes the device and posts (2, 1) last.
int CPanoramaScanner::Thread(CThread& self, HWND hwnd) {
    try {
        Scan(self.Queue());
    } catch (...) {
        // Any other failure ends the scan as a document error.
        const CGenericException e = CurrentException(EXC_DOCUMENT);
        // Cleared before the notices, so the panorama hint that follows reports the end.
        m_bRunning.store(false);
        PostPanoramaNotice(hwnd, static_cast<std::uintptr_t>(e.GetErrorId()), e.GetSubId(),
                           e.GetMessage());
    }
    m_device.Close();
    PostPanoramaNotice(hwnd, 2, 1);
    return 0;
}

// Each point is read at the frequency the tuner is on, then the tuner steps on: the first
// point 100 ms after tuning to the start, each later one right after its step.
void CPanoramaScanner::Scan(CMessageQueue& queue) {
    m_bRunning.store(true);
    try {
        m_device.SetSOF(false);
        m_device.SetTunerFrequency(m_fStart);
    } catch (CTavikControlException& e) {
        e.AppendMessage("ScanPanorama (thread): Could not disable SOF and set start frequency!\n");
        throw;
    }
    m_tunerFrequency.store(m_fStart);
    m_pPacer->Sleep(std::chrono::milliseconds(100));

    int index = 0;
    while (index < m_nSteps) {
        CMessage message;
        if (queue.PeekMessage(message, WM_QUIT, WM_QUIT, false)) {
            const int got = queue.GetMessage(message, WM_QUIT, WM_QUIT);
            if (got == -1) {
                throw CDocumentException("GetMessage returned -1.", 0);
            }
            if (got == 0) {
                m_bRunning.store(false);
            }
        }
        if (!m_bRunning.load()) {
            break;
        }

        float readings[kReadingsPerPoint];
        try {
            if (!m_device.GetPanoramaData(readings)) {
                break;  // stopped in the middle of the point
            }
        } catch (CTavikControlException& e) {
            e.AppendMessage("ScanPanorama (thread): Could not get panorama data!\n");
            throw;
        }
        float sum = 0.0f;
        for (const float reading : readings) {
            sum += reading;
        }
        const float frequency = m_tunerFrequency.load();
        m_level[index] = static_cast<float>(sum / 32.0);
        m_frequency[index] = frequency;

        try {
            m_device.SetTunerFrequency(frequency + m_fStep);
        } catch (CTavikControlException& e) {
            e.AppendMessage("ScanPanorama (thread): Could not step frequency!\n");
            throw;
        }
        m_tunerFrequency.store(frequency + m_fStep);

        if (CPanoramaView* view = m_pView.load()) {
            view->AddPanoramaPoint(m_frequency.data(), m_level.data(), index + 1);
        }
        ++index;
        m_nIndex.store(index);
    }

    m_bRunning.store(false);
    try {
        m_device.SetTunerFrequency(m_fRestore);
        m_device.SetSOF(true);
    } catch (CTavikControlException& e) {
        e.AppendMessage("ScanPanorama (thread): Could not enable SOF and set old frequency!\n");
        throw;
    }
    // The tuner is back on the restore frequency; the document says so too.
    m_tunerFrequency.store(m_fRestore);
    if (CPanoramaView* view = m_pView.load()) {
        view->OnScanFinished();
    }
}

}  // namespace tavik

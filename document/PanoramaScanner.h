#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <memory>

#include "device/TavikControl.h"
#include "document/PanoramaView.h"
#include "platform/MessageTarget.h"
#include "platform/Pacer.h"
#include "platform/Thread.h"

namespace tavik {

// The RF panorama: a thread that tunes the receiver across the band and reads the channel
// level at each step (the mean of 32 readings), handing each point to the view as it comes.
// Started and stopped on the user-interface thread; the receiver's link stays open while the
// thread runs. The tuner frequency it moves is the document's, shared by reference.
class CPanoramaScanner {
public:
    static constexpr int kPoints = 1000;  // most points of one scan

    CPanoramaScanner(CTavikControl& device, std::atomic<float>& tunerFrequency)
        : m_device(device), m_tunerFrequency(tunerFrequency) {}
    // The view is not called any more and the thread has ended.
    ~CPanoramaScanner() { End(); }
    CPanoramaScanner(const CPanoramaScanner&) = delete;
    CPanoramaScanner& operator=(const CPanoramaScanner&) = delete;

    // Opens the receiver and starts the thread, which posts 1044 to `hwnd` for an error (its
    // ID and sub-ID) and (2, 1) at its end. A scan still finishing ends first. Throws
    // CTavikControlException (the open) or CDocumentException (the thread).
    void Start(float start, float restore, int steps, float step, CPanoramaView* view, HWND hwnd);
    void Stop();
    // Stops, forgets the view and waits for the thread.
    void End();
    // Waits for the thread to end; false when `limit` passed first.
    bool WaitFor(std::chrono::milliseconds limit);
    // End() and back to no points, as a new document has it.
    void Reset();

    bool IsRunning() const { return m_bRunning.load(); }
    // Points done; the arrays hold them (elements before the index are complete).
    int GetIndex() const { return m_nIndex.load(); }
    const float* GetLevels() const { return m_level.data(); }
    const float* GetFrequencies() const { return m_frequency.data(); }
    // Pace of the settling wait after tuning to the start (real time by default).
    void SetPacer(CPacer* pacer) { m_pPacer = pacer ? pacer : &m_realTimePace; }

private:
    int Thread(CThread& self, HWND hwnd);
    void Scan(CMessageQueue& queue);

    CTavikControl& m_device;
    std::atomic<float>& m_tunerFrequency;  // MHz
    std::atomic<CPanoramaView*> m_pView{nullptr};
    float m_fStart = 0.0f;   // MHz
    float m_fStep = 0.025f;  // MHz
    int m_nSteps = 0;        // points to measure
    std::atomic<int> m_nIndex{0};
    float m_fRestore = 0.0f;                   // MHz, set again at the end
    std::array<float, kPoints> m_level{};      // dBuV
    std::array<float, kPoints> m_frequency{};  // MHz
    CRealTimePacer m_realTimePace;
    CPacer* m_pPacer = &m_realTimePace;
    std::atomic<bool> m_bRunning{false};
    std::unique_ptr<CThread> m_pThread;
};

}  // namespace tavik

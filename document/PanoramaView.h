#pragma once

namespace tavik {

// The view that started a panorama scan (the parameter page). The document's scan thread calls
// these operations itself, on the scan thread: an implementation copies what it needs and
// hands it to its own thread.
class CPanoramaView {
public:
    // After every point: the frequency (MHz) and level (dBuV) arrays and the number of points
    // so far; the newest point is at count - 1.
    virtual void AddPanoramaPoint(const float* frequencies, const float* levels, int count) = 0;
    // At the normal end of a scan (not after an error).
    virtual void OnScanFinished() = 0;

protected:
    ~CPanoramaView() = default;
};

}  // namespace tavik

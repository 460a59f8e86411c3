#pragma once

#include <atomic>
#include <memory>
#include <utility>

#include "device/IqFileSource.h"
#include "device/LiveIqSource.h"

namespace tavik {

// Panorama readings from IQ, as the measurement receiver gives them: per point kReadings RF
// levels in dBuV, each the power of the 200 kHz FM channel around the point through the level
// calibration.
class CIqPanorama {
public:
    static constexpr int kReadings = 32;
    static constexpr double kChannelHalfWidth = 100000.0;  // Hz

    virtual ~CIqPanorama() = default;
    // The readings of the channel at `frequency` Hz; false when stopped first. Throws
    // CIqSourceError or CIqStreamError saying why not.
    virtual bool Measure(double frequency, float* readings) = 0;

    // The channels (Hz, first and last) whose readings an IQ capture of `rate` around `centre`
    // holds whole.
    static std::pair<double, double> ChannelRange(double rate, double centre);
};

// From an IQ recording: the channels inside its band, each point read from where the last
// ended, from the start again at the end. Throws CIqSourceError.
std::unique_ptr<CIqPanorama> MakeIqFilePanorama(const CIqSourceSettings& settings);

// From a live receiver: tuned for every point, its channel away from the receiver's DC spike as
// for a measurement. The samples of the first kSettleSeconds after tuning are passed over: the
// receiver's buffers still hold the last frequency (an RTL-SDR's are ~110 ms at 1.2 MS/s); so are
// those it made before the tuning that were not read yet (a caller that paused between points).
// Connects at the first point; every wait ends soon after `running` falls. Throws
// CIqStreamError, also for a rate below 400 kS/s.
std::unique_ptr<CIqPanorama> MakeLivePanorama(const CLiveSourceSettings& settings, double fullScale,
                                              const std::atomic<bool>& running);
constexpr double kPanoramaSettleSeconds = 0.2;

}  // namespace tavik

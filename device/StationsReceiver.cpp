#include "device/StationsReceiver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "device/IqFileStream.h"

namespace tavik {

std::string StationName(double hertz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", hertz / 1e6);
    return text;
}

std::string CStationsReceiverChoice::Fault(const std::vector<double>& stations) const {
    if (iq) {
        try {
            const CFmReceiverSettings capture = CIqFileStream::CaptureSettings(*iq);
            const double reach = capture.fSampleRate / 2.0 - CChanneliser::kPassHalfWidth;
            for (const double station : stations) {
                if (std::fabs(station - capture.fCentre) > reach) {
                    return StationName(station) + " MHz lies outside the capture's band: it " +
                           "takes stations from " + StationName(capture.fCentre - reach) + " to " +
                           StationName(capture.fCentre + reach) + " MHz";
                }
            }
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }
    if (!live) {
        return "--stations needs a receiver that delivers IQ (--receiver iq:FILE, "
               "rtltcp:HOST[:PORT] or soapy:ARGS)";
    }
    const double r = rate.value_or(kDefaultRate);
    const double reach = CSharedIqStream::kUsableBand * r / 2.0 - CChanneliser::kPassHalfWidth;
    if (centre) {
        // The tuner where it was told: every station within its usable band.
        for (const double station : stations) {
            if (std::fabs(station - *centre) > reach) {
                return StationName(station) + " MHz lies outside the receiver's band: tuned to " +
                       StationName(*centre) + " MHz (--iq-frequency) it takes stations from " +
                       StationName(*centre - reach) + " to " + StationName(*centre + reach) +
                       " MHz";
            }
        }
    }
    return {};
}

CStationsReceiver MakeStationsReceiver(const CStationsReceiverChoice& choice,
                                       const std::vector<double>& stations, CPacer& pacer) {
    CStationsReceiver receiver;
    if (choice.iq) {
        const CFmReceiverSettings capture = CIqFileStream::CaptureSettings(*choice.iq);
        receiver.station.strName = "iq:" + choice.iq->strFile;
        receiver.station.bKeep = false;  // a capture keeps no calibration
        receiver.station.fullScale = capture.fFullScaleDbuv;
        receiver.stream = CSharedIqStream::Make(
            [iq = *choice.iq, &pacer](const std::atomic<bool>& running) {
                return std::make_unique<CIqFileStream>(iq, running, pacer);
            },
            CIqTuning{capture.fCentre, capture.fSampleRate, std::nullopt, std::nullopt}, stations);
        return receiver;
    }
    const CLiveSourceSettings& live = *choice.live;
    const double rate = choice.rate.value_or(CStationsReceiverChoice::kDefaultRate);
    receiver.station = live;
    const auto device = [name = live.strName](const std::atomic<bool>& running) {
        return MakeIqStream(name, running);
    };
    const std::optional<double> centre =
        choice.centre ? choice.centre : CSharedIqStream::CentreFor(rate, stations);
    if (centre) {
        receiver.stream =
            CSharedIqStream::Make(device, CIqTuning{*centre, rate, live.gain, live.ppm}, stations);
    } else {
        // Too far apart for one band: band by band.
        receiver.stream = CSharedIqStream::Make(
            device, CIqTuning{0.0, rate, live.gain, live.ppm}, stations,
            CSharedIqStream::CBandPlan::For(rate, stations), choice.dwellSeconds);
    }
    return receiver;
}

}  // namespace tavik

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
    const auto [low, high] = std::minmax_element(stations.begin(), stations.end());
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
    } else if (!CSharedIqStream::CentreFor(r, stations)) {
        char megasamples[32];
        std::snprintf(megasamples, sizeof megasamples, "%g", r / 1e6);
        return "the stations from " + StationName(*low) + " to " + StationName(*high) +
               " MHz span " + StationName(*high - *low) + " MHz; at " + megasamples +
               " MS/s (--iq-rate) the receiver takes stations at most " + StationName(2.0 * reach) +
               " MHz apart";
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
    receiver.stream = CSharedIqStream::Make(
        [name = live.strName](const std::atomic<bool>& running) {
            return MakeIqStream(name, running);
        },
        CIqTuning{
            choice.centre ? *choice.centre : CSharedIqStream::CentreFor(rate, stations).value(),
            rate, live.gain, live.ppm},
        stations);
    return receiver;
}

}  // namespace tavik

#include "app/GuiOptions.h"

#include <cmath>
#include <cstdlib>

#include "app/ReceiverOptions.h"
#include "device/IqFileSource.h"
#include "device/LiveIqSource.h"
#include "platform/TextParse.h"

namespace tavik {

namespace {

bool IsDocumentFile(const std::string& arg) {
    constexpr std::string_view kExtension = ".tvk";
    return arg.size() > kExtension.size() && arg.front() != '-' &&
           arg.compare(arg.size() - kExtension.size(), kExtension.size(), kExtension) == 0;
}

}  // namespace

std::optional<SGuiCommandLine> ParseGuiCommandLine(const std::vector<std::string>& args) {
    SGuiCommandLine line;
    auto it = args.begin();
    if (it != args.end() && *it == "--start") {
        line.bStart = true;
        ++it;
    }
    bool alarms = false;
    // A folder option takes the next argument; each option and the document at most once.
    const auto folder = [&](std::string& value) {
        if (!value.empty() || ++it == args.end() || it->empty()) {
            return false;
        }
        value = *it;
        return true;
    };
    for (; it != args.end(); ++it) {
        if (*it == "--enable-alarms" && !alarms) {
            alarms = line.bEnableAlarms = true;
        } else if (*it == "--log-folder") {
            if (!folder(line.strLogFolder)) {
                return std::nullopt;
            }
        } else if (*it == "--recordings") {
            if (!folder(line.strRecordings)) {
                return std::nullopt;
            }
        } else if (*it == "--metrics" || *it == "--metrics-tls" || *it == "--metrics-auth") {
            if (!folder(*it == "--metrics"       ? line.strMetrics
                        : *it == "--metrics-tls" ? line.strMetricsTls
                                                 : line.strMetricsAuth)) {
                return std::nullopt;
            }
        } else if (*it == "--stations") {
            if (!folder(line.strStations)) {
                return std::nullopt;
            }
        } else if (*it == "--receiver") {
            if (!folder(line.strReceiver) || (!CIqFileSource::FileOfReceiver(line.strReceiver) &&
                                              !CLiveSourceSettings::FromName(line.strReceiver))) {
                return std::nullopt;
            }
        } else if (*it == "--gain" || *it == "--full-scale" || *it == "--ppm") {
            using C = CReceiverChoice;
            const bool gain = *it == "--gain";
            const bool fullScale = *it == "--full-scale";
            std::optional<double>& value = gain        ? line.receiver.gain
                                           : fullScale ? line.receiver.fullScale
                                                       : line.receiver.ppm;
            const double lo = gain ? 0.0 : fullScale ? C::kMinFullScale : -C::kMaxPpm;
            const double hi = gain ? C::kMaxGain : fullScale ? C::kMaxFullScale : C::kMaxPpm;
            std::string text;
            if (value || !folder(text)) {
                return std::nullopt;
            }
            value = ParseNumber(text);
            if (!value || *value < lo || *value > hi) {
                return std::nullopt;
            }
        } else if (*it == "--evidence" || *it == "--evidence-max-mb") {
            const bool seconds = *it == "--evidence";
            std::optional<int>& value = seconds ? line.evidenceSeconds : line.evidenceMaxMb;
            std::string text;
            if (value || !folder(text)) {
                return std::nullopt;
            }
            const std::optional<double> number = ParseNumber(text);
            const double lo = seconds ? 0.0 : 1.0;
            const double hi = seconds ? 120.0 : 1000000.0;
            if (!number || *number != std::floor(*number) || *number < lo || *number > hi) {
                return std::nullopt;
            }
            value = static_cast<int>(*number);
        } else if (*it == "--frequency") {
            std::string text;
            if (line.frequency || !folder(text)) {
                return std::nullopt;
            }
            char* end = nullptr;
            const double mhz = std::strtod(text.c_str(), &end);
            if (*end != '\0' || !(mhz >= 87.5 && mhz <= 108.0)) {
                return std::nullopt;
            }
            line.frequency = mhz;
        } else if (IsDocumentFile(*it) && line.strDocument.empty()) {
            line.strDocument = *it;
        } else {
            return std::nullopt;
        }
    }
    return line;
}

std::string NoDisplayMessage() {
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0';
    };
    if (set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM")) {
        return {};
    }
    return "tavik: no display was found (neither DISPLAY nor WAYLAND_DISPLAY is set), so the "
           "window cannot open; `tavik monitor` measures without one.\n";
}

}  // namespace tavik

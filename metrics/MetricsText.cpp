#include "metrics/MetricsText.h"

#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace tavik {

namespace {

// Collects the families in the order they first come, each with its samples, so that several
// stations' samples of a family stand together under one HELP and TYPE.
class CFamilyWriter {
public:
    // The labels every sample of the stations from now on carries first ("" for none).
    void SetStation(std::string labels) { m_strStation = std::move(labels); }

    void Family(const char* name, const char* type, const char* help) {
        m_pCurrent = Find(name);
        if (m_pCurrent == nullptr) {
            m_families.push_back({name, {}});
            m_pCurrent = &m_families.back();
            m_pCurrent->text.append("# HELP ").append(name).append(" ").append(help).append("\n");
            m_pCurrent->text.append("# TYPE ").append(name).append(" ").append(type).append("\n");
        }
    }
    // A sample of the family last named; `own`: labels that already name the station.
    void Sample(const char* name, const std::string& labels, const std::string& value,
                bool own = false) {
        std::string& out = m_pCurrent->text;
        const std::string station = own ? std::string() : m_strStation;
        const std::string all = station.empty()  ? labels
                                : labels.empty() ? station
                                                 : station + "," + labels;
        out.append(name);
        if (!all.empty()) {
            out.append("{").append(all).append("}");
        }
        out.append(" ").append(value).append("\n");
    }
    // A gauge family with one sample, left out without a value.
    void Gauge(const char* name, const char* help, std::optional<float> value) {
        if (value) {
            Family(name, "gauge", help);
            Sample(name, {}, CMetricsText::Value(*value));
        }
    }
    void Counter(const char* name, const char* help, std::uint64_t value) {
        Family(name, "counter", help);
        Sample(name, {}, std::to_string(value));
    }

    std::string Text() const {
        std::string out;
        out.reserve(4096);
        for (const CEntry& family : m_families) {
            out += family.text;
        }
        return out;
    }

private:
    struct CEntry {
        std::string name;
        std::string text;
    };
    CEntry* Find(const char* name) {
        for (CEntry& family : m_families) {
            if (family.name == name) {
                return &family;
            }
        }
        return nullptr;
    }

    std::vector<CEntry> m_families;  // std::deque would do; a vector's few moves cost nothing
    CEntry* m_pCurrent = nullptr;
    std::string m_strStation;
};

std::string Label(const char* name, std::string_view value) {
    return std::string(name) + "=\"" + CMetricsText::LabelValue(value) + "\"";
}

void WriteItu(CFamilyWriter& w, const CMetricsSnapshot& s) {
    const std::pair<const char*, std::optional<bool>> conditions[] = {
        {"deviation", s.ituDeviation}, {"rf_level", s.ituRfLevel}, {"multipath", s.ituMultipath}};
    bool any = false;
    for (const auto& [name, met] : conditions) {
        if (!met) {
            continue;
        }
        if (!any) {
            w.Family("tavik_itu_condition_met", "gauge",
                     "Whether an ITU-R measurement condition is met (1) or not (0).");
            any = true;
        }
        w.Sample("tavik_itu_condition_met", Label("condition", name), *met ? "1" : "0");
    }
}

void WriteAlarms(CFamilyWriter& w, const CMetricsSnapshot& s) {
    if (s.alarms.empty()) {
        return;
    }
    w.Family("tavik_alarm_active", "gauge", "Whether the alarm is active (1) or not (0).");
    for (const CMetricsSnapshot::CAlarm& alarm : s.alarms) {
        w.Sample("tavik_alarm_active", Label("alarm", alarm.strName), alarm.bActive ? "1" : "0");
    }
    w.Family("tavik_alarm_activations_total", "counter", "Activations of the alarm.");
    for (const CMetricsSnapshot::CAlarm& alarm : s.alarms) {
        w.Sample("tavik_alarm_activations_total", Label("alarm", alarm.strName),
                 std::to_string(alarm.nActivations));
    }
}

void WriteStation(CFamilyWriter& w, const CMetricsSnapshot& s);

}  // namespace

std::string CMetricsText::Value(float value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Inf" : "+Inf";
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string CMetricsText::LabelValue(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string CMetricsText::Format(const CMetricsSnapshot& snapshot) {
    return FormatStations(std::span(&snapshot, 1));
}

std::string CMetricsText::FormatStations(std::span<const CMetricsSnapshot> stations) {
    CFamilyWriter w;
    w.Family("tavik_build_info", "gauge", "The program's version.");
    w.Sample("tavik_build_info", Label("version", stations.front().strVersion), "1", true);
    for (const CMetricsSnapshot& s : stations) {
        if (stations.size() > 1) {
            w.SetStation(Label("frequency_mhz", Value(s.fFrequency)));
        }
        WriteStation(w, s);
    }
    return w.Text();
}

namespace {

// One station's families.
void WriteStation(CFamilyWriter& w, const CMetricsSnapshot& s) {
    w.Family("tavik_station_info", "gauge",
             "The station measured: tuned frequency in MHz and the RDS PI once steady for "
             "3 seconds.");
    w.Sample("tavik_station_info",
             Label("frequency_mhz", CMetricsText::Value(s.fFrequency)) + "," + Label("pi", s.strPI),
             "1", true);
    if (!s.strPS.empty()) {
        w.Family("tavik_station_ps_info", "gauge",
                 "The RDS programme service name (PS) once steady for 3 seconds; absent while "
                 "the PS scrolls.");
        w.Sample("tavik_station_ps_info", Label("ps", s.strPS), "1");
    }
    w.Gauge("tavik_deviation_peak_khz",
            "Largest deviation peak of the last second in kHz of frequency deviation (the "
            "broadcast unit; 75 kHz is full modulation).",
            s.deviationPeak);
    w.Gauge("tavik_deviation_max_khz",
            "Largest deviation since the start in kHz of frequency deviation.", s.deviationMax);
    w.Counter("tavik_deviation_blocks_total",
              "MPX blocks of 100 ms whose deviation peak was measured.", s.nDeviationBlocks);
    w.Counter("tavik_deviation_blocks_over_75khz_total",
              "MPX blocks of 100 ms whose deviation peak was 75 kHz or more.",
              s.nDeviationBlocksOver75);
    w.Gauge("tavik_mpx_power_1s_dbr",
            "MPX power over the last second in dBr (the broadcast unit: dB relative to the power "
            "of a sine of 19 kHz deviation, ITU-R BS.412).",
            s.power1s);
    w.Gauge("tavik_mpx_power_60s_dbr",
            "MPX power over the last 60 seconds in dBr (ITU-R BS.412: at most 0 dBr).", s.power60s);
    w.Gauge("tavik_pilot_khz", "Pilot injection as peak deviation in kHz (0 without a pilot).",
            s.pilot);
    w.Gauge("tavik_pilot_error_hz", "Pilot frequency above 19000 Hz in Hz.", s.pilotError);
    w.Gauge("tavik_rds_injection_khz",
            "RDS injection as peak deviation of the 57 kHz subcarrier in kHz (0 without RDS).",
            s.rdsInjection);
    w.Gauge("tavik_audio_left_db",
            "Left audio peak of the last second in dB of full modulation (75 kHz mono = 0 dB).",
            s.audioLeft);
    w.Gauge("tavik_audio_right_db",
            "Right audio peak of the last second in dB of full modulation (75 kHz mono = 0 dB).",
            s.audioRight);
    w.Gauge("tavik_silence", "Whether the programme is silent (1) or not (0).", s.silence);
    w.Gauge("tavik_multipath_percent_per_khz",
            "Multipath in percent per kHz (the ITU-R conditions ask for less than 2).",
            s.multipath);
    w.Gauge("tavik_multipath_pct_per_khz",
            "Deprecated, removed in the next release: tavik_multipath_percent_per_khz.",
            s.multipath);
    w.Gauge("tavik_rf_level_dbuv", "RF level at zero deviation in dBuV.", s.rfLevel);
    WriteItu(w, s);
    w.Gauge("tavik_rds_bit_error_ratio",
            "RDS bit error ratio: erroneous bits per bit received, from 0 to 1 (not percent).",
            s.rdsErrorRatio);
    w.Gauge("tavik_reception_up",
            "Whether the receiver delivers and a carrier is there (1) or not (0).",
            s.bReceptionUp ? 1.0f : 0.0f);
    w.Gauge("tavik_carrier_to_noise_db", "Carrier-to-noise ratio in the 200 kHz channel in dB.",
            s.carrierToNoise);
    w.Gauge("tavik_frequency_error_hz", "The carrier's offset from the tuned frequency in Hz.",
            s.frequencyError);
    w.Gauge("tavik_adc_overload_ratio",
            "Share of the IQ samples at the converter's limits (0 to 1).", s.overloadRatio);
    if (s.lastResult) {
        w.Family("tavik_last_result_timestamp_seconds", "gauge",
                 "When the last second that brought results with a signal ended, in seconds "
                 "since 1970.");
        w.Sample("tavik_last_result_timestamp_seconds", {},
                 std::to_string(std::llround(*s.lastResult)));
    }
    WriteAlarms(w, s);
    w.Counter("tavik_measured_seconds_total", "Seconds measured since the start.",
              s.nMeasuredSeconds);
    w.Counter("tavik_records_written_total", "Result records written to the result file.",
              s.nRecordsWritten);
    w.Counter("tavik_records_lost_total", "Result records that could not be written.",
              s.nRecordsLost);
    w.Counter("tavik_console_lines_dropped_total",
              "Console lines dropped because the output was not read.", s.nConsoleLinesDropped);
    w.Counter("tavik_device_errors_total", "Failures of the device's and the analysis's threads.",
              s.nDeviceErrors);
    w.Family("tavik_dropped_total", "counter",
             "Work dropped because a consumer was busy: sample blocks (samples), blocks an "
             "analyser (analysers) or the RDS worker (rds) could not take, results (results).");
    for (std::size_t k = 0; k < kDropKinds; ++k) {
        const auto kind = static_cast<EDropKind>(k);
        w.Sample("tavik_dropped_total", Label("kind", CDropCounts::Name(kind)),
                 std::to_string(s.drops[kind]));
    }
}

}  // namespace

}  // namespace tavik

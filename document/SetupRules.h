#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "alarms/AlarmMap.h"
#include "document/ProtocolHeader.h"

namespace tavik {

// The rules a setup obeys, in one place: the alarm form's, the parameter page's and the
// deviation view's checks, used by `setup write` and by loading a document file (a file that
// breaks them is refused with the field named). Each check returns why a value breaks its
// rule, in the form's own words where the form has them, or an empty text when it is allowed.
namespace setup_rules {

constexpr std::size_t kMaxNameLength = 20;  // bytes of an alarm name
constexpr double kLowestMegahertz = 87.5;   // the tuner's band and grid
constexpr double kHighestMegahertz = 108.0;
constexpr double kGridMegahertz = 0.025;
constexpr double kMaxDeviationLimit = 110.0;  // kHz, the deviation view's limit
constexpr std::size_t kMaxAlarms = 1000;      // most alarms a setup may hold

// What an alarm's threshold may be for each source: up to what the source's page shows (the
// MPX power meter's 20 dBr, the deviation view's 110 kHz; multipath, whose page shows no fixed
// top, up to 100 %/kHz, fifty times the ITU-R limit of 2 %/kHz). Linear quantities start at 0;
// levels in dB go below it (MPX power down to -60 dBr, where a silent programme lies).
struct SThresholdRange {
    const char* name;  // "Deviation", as the message names the source
    double lowest;
    double highest;
    const char* unit;
};
SThresholdRange ThresholdRange(std::int32_t source);

// The form's rule: not empty, at most 20 bytes, and the file's rule below.
std::string CheckAlarmName(const std::string& name);
// The file's rule (a file may hold a longer name): no control characters, which would split
// a log line or an alarm line.
std::string CheckStoredAlarmName(const std::string& name);
// The form's rule for a threshold of `source`: a number within the source's range ("The
// threshold for Deviation must be a number from 0 to 110 kHz." for "nan", "inf" or 120); a
// negative one for a source that starts at 0 with the form's own text. A PI or PS change uses
// no threshold: any is accepted.
std::string CheckThreshold(std::int32_t source, double threshold);
// A loaded file's rule: a finite number, not negative for a source that starts at 0; a
// threshold beyond the source's range, saved before the range was checked, is kept (the form
// names the range on Update).
std::string CheckStoredThreshold(std::int32_t source, double threshold);
// Whole seconds from 0 to 2^31 - 1.
std::string CheckDelay(std::int64_t seconds);
// In the band, on the 25 kHz grid.
std::string CheckFrequency(double megahertz);
// From 0 to 110 kHz.
std::string CheckDeviationLimit(double kilohertz);

// The stereo decoder's settings, in the form's words: "The de-emphasis must be 50 or 75 us.",
// "The silence threshold must be a number above -90 and below 0 dB.", "The silence duration
// must be a whole number from 1 to 3600 s."
std::string CheckDeemphasis(std::int64_t microseconds);
std::string CheckSilenceDb(double decibels);
std::string CheckSilenceSeconds(std::int64_t seconds);

// Every field of a loaded setup, named as `setup show` names it ("receiver.frequency_mhz",
// "alarms[2].threshold"): "field: reason" for the first that breaks its rule, else empty.
std::string CheckSetup(const CProtocolHeader& header, const CAlarmMap& alarms);

}  // namespace setup_rules
}  // namespace tavik

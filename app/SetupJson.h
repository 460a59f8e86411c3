#pragma once

#include <istream>
#include <stdexcept>
#include <string>

#include "alarms/AlarmMap.h"
#include "app/JsonValues.h"
#include "document/ProtocolHeader.h"

namespace tavik {

// A setup that cannot be taken; the message names the field ("alarms[1].threshold: ...").
class CSetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The document file's setup as JSON for `tavik setup show` and `tavik setup write`:
//   {"header":{"operator":"",...,"location":""},
//    "receiver":{"frequency_mhz":106.7,"antenna":"A"},
//    "analysis":{"window_function":"None","deviation_limit_khz":75.0,"limit_triangle":false,
//                "filter":false,"deemphasis_us":50,"silence_db":-40.0,"silence_seconds":10},
//    "alarms":[{"name":"Overmod","source":"DEVIATION","relation":">","threshold":75.0,
//               "unit":"kHz","delay_s":0,"action":"LOG ONLY","acknowledge":"NO"}]}
// Floats are written in their shortest exact form, so show then write gives the same bytes.
class CSetupJson {
public:
    static CJson ToJson(const CProtocolHeader& header, const CAlarmMap& alarms);

    // Checks everything with the rules of the alarm form and the parameter page and fills
    // `header` (fields 0 to 9 and the stored settings) and `alarms`; a key left out keeps the
    // new document's value (alarm fields: the form's initial values, but name, source, relation
    // and threshold must be given). Throws CSetupError at the first fault.
    static void FromJson(const CJson& json, CProtocolHeader& header, CAlarmMap& alarms);
    // Reads JSON text, in time linear in its length: an object of more than kMaxKeys members
    // or nesting deeper than kMaxDepth is refused while it is read, and so is text that is no
    // JSON or holds a number beyond the double range. Throws CSetupError ("not JSON: ...").
    static CJson Parse(std::istream& in);

    static constexpr std::size_t kMaxKeys = 64;
    static constexpr int kMaxDepth = 16;

    // What is wrong with a tuner frequency by the parameter page's rules (87.5 to 108 MHz on
    // the 25 kHz grid); empty when it is right.
    static std::string FrequencyFault(double megahertz);

    // Longest alarm name (the form's name edit takes 20 characters).
    static constexpr std::size_t kMaxNameLength = 20;
};

}  // namespace tavik

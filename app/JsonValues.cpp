#include "app/JsonValues.h"

#include <cmath>

#include "platform/TextParse.h"

namespace tavik {

CJson CJsonValues::Rounded(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) {
        return nullptr;
    }
    // Through the decimal text, so that the double printed is the shortest one of that text.
    return *ParseNumber(FormatNumber(*value, decimals));
}

CJson CJsonValues::Exact(float value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    return *ParseNumber(FormatFloat(value));
}

void CJsonValues::AddMpxReadings(CJson& json, const std::optional<CMpxReadings>& readings) {
    const CMpxReadings none;
    const CMpxReadings& r = readings ? *readings : none;
    json["pilot_khz"] = Rounded(r.pilotKhz, 2);
    json["pilot_error_hz"] = Rounded(r.pilotErrorHz, 1);
    json["rds_injection_khz"] = Rounded(r.rdsKhz, 2);
    json["audio_left_db"] = readings ? Rounded(r.leftDb, 1) : CJson(nullptr);
    json["audio_right_db"] = readings ? Rounded(r.rightDb, 1) : CJson(nullptr);
    json["silence"] = readings ? CJson(r.silence) : CJson(nullptr);
}

CJson CJsonValues::TextOrNull(const std::string& text) {
    return text.empty() ? CJson(nullptr) : CJson(text);
}

CJson CJsonValues::Drops(const CDropCounts& drops) {
    CJson json = CJson::object();
    for (std::size_t i = 0; i < kDropKinds; ++i) {
        json[CDropCounts::Name(static_cast<EDropKind>(i))] = drops.n[i];
    }
    return json;
}

std::string CJsonValues::Dump(const CJson& value, int indent) {
    return value.dump(indent, ' ', false, CJson::error_handler_t::replace);
}

}  // namespace tavik

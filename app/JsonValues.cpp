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

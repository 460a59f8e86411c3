#include "app/JsonWriter.h"

#include <charconv>
#include <cmath>

namespace tavik {

namespace {

// Length of the well-formed UTF-8 sequence at `i`, or 0 when the byte there starts none
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendUnicodeEscape(std::string& out, unsigned char value) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u00";
    out += kHex[value >> 4];
    out += kHex[value & 0x0F];
}

}  // namespace

std::string CJsonWriter::Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8Length(text, i);
            if (length == 0) {
                AppendUnicodeEscape(out, c);
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    AppendUnicodeEscape(out, c);
                } else {
                    out += static_cast<char>(c);
                }
                break;
        }
        ++i;
    }
    out += '"';
    return out;
}

void CJsonWriter::BeforeValue() {
    if (m_bAfterKey) {
        m_bAfterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back()) {
            m_strText += ',';
        }
        m_first.back() = false;
    }
}

void CJsonWriter::BeginObject() {
    BeforeValue();
    m_strText += '{';
    m_first.push_back(true);
}

void CJsonWriter::EndObject() {
    m_first.pop_back();
    m_strText += '}';
}

void CJsonWriter::BeginArray() {
    BeforeValue();
    m_strText += '[';
    m_first.push_back(true);
}

void CJsonWriter::EndArray() {
    m_first.pop_back();
    m_strText += ']';
}

CJsonWriter& CJsonWriter::Key(std::string_view key) {
    BeforeValue();
    m_strText += Escape(key);
    m_strText += ':';
    m_bAfterKey = true;
    return *this;
}

void CJsonWriter::Null() {
    BeforeValue();
    m_strText += "null";
}

void CJsonWriter::Bool(bool value) {
    BeforeValue();
    m_strText += value ? "true" : "false";
}

namespace {

// Shortest text that reads back as the same value (locale-independent).
template <class T>
void AppendNumber(std::string& text, T value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, result.ptr);
}

}  // namespace

void CJsonWriter::Int(std::int64_t value) {
    BeforeValue();
    AppendNumber(m_strText, value);
}

// Infinities and NaN have no JSON form: they are written as null.
void CJsonWriter::Number(double value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    BeforeValue();
    AppendNumber(m_strText, value);
}

void CJsonWriter::Number(float value) {
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    BeforeValue();
    AppendNumber(m_strText, value);
}

void CJsonWriter::String(std::string_view text) {
    BeforeValue();
    m_strText += Escape(text);
}

void CJsonWriter::Number(const std::optional<float>& value) {
    if (value) {
        Number(*value);
    } else {
        Null();
    }
}

void CJsonWriter::Int(const std::optional<int>& value) {
    if (value) {
        Int(static_cast<std::int64_t>(*value));
    } else {
        Null();
    }
}

void CJsonWriter::StringOrNull(std::string_view text) {
    if (text.empty()) {
        Null();
    } else {
        String(text);
    }
}

void CJsonWriter::Numbers(const std::vector<float>& values) {
    BeginArray();
    for (const float value : values) {
        Number(value);
    }
    EndArray();
}

}  // namespace tavik

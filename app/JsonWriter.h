#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavik {

// Builds one JSON text. Commas and key separators are placed by the writer; strings are
// escaped (quotes, backslashes, control characters) and bytes that are not UTF-8 are written
// as \u00XX, so the output is valid whatever bytes a text holds (RDS texts use the receiver's
// own character set). Numbers that JSON cannot carry (NaN, infinities) and empty optionals
// become null.
class CJsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The key of the next value inside an object.
    CJsonWriter& Key(std::string_view key);

    void Null();
    void Bool(bool value);
    void Int(std::int64_t value);
    // Shortest text that reads back as the same value.
    void Number(double value);
    void Number(float value);
    void String(std::string_view text);
    void Number(const std::optional<float>& value);
    void Int(const std::optional<int>& value);
    // A string, or null when empty.
    void StringOrNull(std::string_view text);
    void Numbers(const std::vector<float>& values);

    const std::string& GetText() const { return m_strText; }

    static std::string Escape(std::string_view text);

private:
    void BeforeValue();

    std::string m_strText;
    std::vector<bool> m_first;  // per open container: no element written yet
    bool m_bAfterKey = false;
};

}  // namespace tavik

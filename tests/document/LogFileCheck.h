#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace tavik::test {

// Local times in these tests are Berlin's, whatever the environment says.
inline void UseBerlinTime() {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether libxml2 parses the file as one well-formed document.
inline bool IsWellFormedXml(const std::string& path) {
    const std::string command = "xmllint --noout '" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

// The record exactly as the file format's printf pattern makes it, in the C locale; the
// second's peak is the deviation unless given.
inline std::string ExpectedRecord(int id, unsigned timestamp, const char* date, double deviation,
                                  double mpxPower, double multipath,
                                  std::optional<double> peak = std::nullopt) {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "      <Measurement id=\"%d\">\r\n         <Date timestamp=\"%u\">%s</Date>\r\n"
                  "         <Deviation>%f</Deviation>\r\n         <MPXPower>%f</MPXPower>\r\n"
                  "         <Multipath>%f</Multipath>\r\n         <DeviationPeak>%f</DeviationPeak>"
                  "\r\n      </Measurement>",
                  id, timestamp, date, deviation, mpxPower, multipath, peak.value_or(deviation));
    return text;
}

inline std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace tavik::test

#include "app/HeadlessPrompt.h"

#include <string_view>

namespace tavik {

int CHeadlessPrompt::MessageBox(const std::string& text, unsigned style) {
    Error(text);
    return UnattendedAnswer(style);
}

void CHeadlessPrompt::Notice(const std::string& text) {
    Print(text, kWarningPriority);
}

void CHeadlessPrompt::Error(const std::string& text) {
    Print(text, kErrorPriority);
}

void CHeadlessPrompt::Print(const std::string& text, const char* priority) {
    // Error texts end in line breaks of their own; one is enough.
    std::string_view rest = text;
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) {
        rest.remove_suffix(1);
    }
    const std::string_view prefix = m_bJournal ? priority : "";
    std::string lines;
    lines.reserve(rest.size() + 16);
    lines.append(prefix).append("monitor: ");
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
        lines.append(rest.substr(0, end + 1)).append(prefix);
        rest.remove_prefix(end + 1);
    }
    lines.append(rest);
    std::lock_guard lock(m_mutex);
    m_err << lines << std::endl;
}

}  // namespace tavik

#include "app/HeadlessPrompt.h"

namespace tavik {

int CHeadlessPrompt::MessageBox(const std::string& text, unsigned style) {
    Print(text, m_bErrorPriority ? "<3>" : "");
    return UnattendedAnswer(style);
}

void CHeadlessPrompt::Notice(const std::string& text) {
    Print(text, "");
}

void CHeadlessPrompt::Print(const std::string& text, const char* priority) {
    // Error texts end in line breaks of their own; one is enough.
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) {
        --end;
    }
    std::lock_guard lock(m_mutex);
    m_err << priority << "monitor: " << text.substr(0, end) << std::endl;
}

}  // namespace tavik

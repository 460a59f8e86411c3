#include "platform/Prompt.h"

#include <cstdio>

namespace tavik {

int CStderrPrompt::MessageBox(const std::string& text, unsigned style) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return (style & 0x0F) == MB_YESNO ? IDNO : IDOK;
}

void CStderrPrompt::Notice(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

int CRecordingPrompt::MessageBox(const std::string& text, unsigned style) {
    m_boxes.push_back({text, style});
    return (style & 0x0F) == MB_YESNO ? m_nAnswer : IDOK;
}

}  // namespace tavik

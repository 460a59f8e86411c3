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

void CRecordingPrompt::Ask(const std::string& text, unsigned style,
                           std::function<void(int)> answered) {
    if (!m_bHoldQuestions) {
        answered(MessageBox(text, style));
        return;
    }
    m_boxes.push_back({text, style});
    m_openQuestions.push_back(std::move(answered));
}

bool CRecordingPrompt::AnswerOpenQuestion(int answer) {
    if (m_openQuestions.empty()) {
        return false;
    }
    auto answered = std::move(m_openQuestions.front());
    m_openQuestions.erase(m_openQuestions.begin());
    answered(answer);
    return true;
}

}  // namespace tavik

#include "platform/Prompt.h"

#include <cstdio>
#include <utility>

namespace tavik {

int CStderrPrompt::MessageBox(const std::string& text, unsigned style) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return UnattendedAnswer(style);
}

void CStderrPrompt::Notice(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

int CRecordingPrompt::MessageBox(const std::string& text, unsigned style) {
    m_boxes.push_back({text, style});
    switch (style & 0x0Fu) {
        case MB_YESNO:
            return m_nAnswer;
        case MB_OKCANCEL:
            return m_nAnswer == IDYES ? IDOK : IDCANCEL;
        default:
            return IDOK;
    }
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

int CQueuedPrompt::MessageBox(const std::string& text, unsigned style) {
    Notice(text);
    return UnattendedAnswer(style);
}

void CQueuedPrompt::Notice(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_notices.push_back(text);
}

void CQueuedPrompt::Deliver(CPrompt& prompt) {
    std::vector<std::string> notices;
    {
        std::lock_guard lock(m_mutex);
        notices.swap(m_notices);
    }
    for (const std::string& text : notices) {
        prompt.Notice(text);
    }
}

}  // namespace tavik

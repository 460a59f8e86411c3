#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tavik {

// Message box styles and answers, numbered as the message-box interface numbers them (a style
// value such as 292 is a sum of them).
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONSTOP = 0x10;  // 16
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONEXCLAMATION = 0x30;  // 48: warning box
constexpr unsigned MB_DEFBUTTON2 = 0x100;
constexpr unsigned MB_YESNO_EXCLAMATION = MB_YESNO | MB_ICONEXCLAMATION;               // 52
constexpr unsigned MB_YESNO_QUESTION_NO = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;  // 292

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The answer given where nobody can be asked: No, Cancel, or OK for a box that only tells.
constexpr int UnattendedAnswer(unsigned style) {
    switch (style & 0x0Fu) {
        case MB_YESNO:
            return IDNO;
        case MB_OKCANCEL:
            return IDCANCEL;
        default:
            return IDOK;
    }
}

// How the core asks the user something or tells them about a problem. The GUI shows message
// boxes; the headless runner prints; tests record and answer.
class CPrompt {
public:
    virtual ~CPrompt() = default;
    // A modal box; returns IDOK, IDCANCEL, IDYES or IDNO.
    virtual int MessageBox(const std::string& text, unsigned style) = 0;
    // A notice that must not block (status bar in the GUI, stderr headless).
    virtual void Notice(const std::string& text) = 0;
    // A question whose answer may come later: the GUI shows a box that does not hold up the
    // caller (the main timer goes on while it is open) and calls `answered` on the
    // user-interface thread when the user answers. Elsewhere the answer comes at once.
    virtual void Ask(const std::string& text, unsigned style, std::function<void(int)> answered) {
        answered(MessageBox(text, style));
    }
};

// Prints to stderr and answers every question with No, so that nothing is deleted or ended
// without a person deciding it; an OK box answers IDOK.
class CStderrPrompt final : public CPrompt {
public:
    int MessageBox(const std::string& text, unsigned style) override;
    void Notice(const std::string& text) override;
};

// Records what was shown and answers questions with a preset answer (IDYES or IDNO; for an
// OK/Cancel box IDYES is OK and IDNO Cancel).
class CRecordingPrompt final : public CPrompt {
public:
    struct Entry {
        std::string text;
        unsigned style;
    };
    int MessageBox(const std::string& text, unsigned style) override;
    void Notice(const std::string& text) override { m_notices.push_back(text); }
    // Records the question; answers it at once unless questions are held open.
    void Ask(const std::string& text, unsigned style, std::function<void(int)> answered) override;
    // Answers the oldest open question; false when none is open.
    bool AnswerOpenQuestion(int answer);

    int m_nAnswer = IDNO;
    bool m_bHoldQuestions = false;
    std::vector<std::function<void(int)>> m_openQuestions;
    std::vector<Entry> m_boxes;
    std::vector<std::string> m_notices;
};

// Collects notices from a thread that must not show anything itself (the log writer) until
// the user-interface thread hands them to its prompt with Deliver. Answers every box with No.
class CQueuedPrompt final : public CPrompt {
public:
    int MessageBox(const std::string& text, unsigned style) override;
    void Notice(const std::string& text) override;
    // On the user-interface thread: the notices collected so far go to `prompt`, in order.
    void Deliver(CPrompt& prompt);

private:
    std::mutex m_mutex;
    std::vector<std::string> m_notices;
};

}  // namespace tavik

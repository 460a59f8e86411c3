#pragma once

#include <mutex>
#include <ostream>

#include "platform/Prompt.h"

namespace tavik {

// The prompt of an unattended run: every box and notice goes to the error stream as it
// happens, after "monitor: "; questions are answered No, so nothing is deleted or ended
// without a person.
class CHeadlessPrompt final : public CPrompt {
public:
    // `errorPriority`: message boxes (failures) begin with the journal's error priority "<3>".
    explicit CHeadlessPrompt(std::ostream& err, bool errorPriority = false)
        : m_err(err), m_bErrorPriority(errorPriority) {}
    int MessageBox(const std::string& text, unsigned style) override;
    void Notice(const std::string& text) override;

private:
    void Print(const std::string& text, const char* priority);

    std::mutex m_mutex;  // notices may come from any thread
    std::ostream& m_err;
    const bool m_bErrorPriority;
};

}  // namespace tavik

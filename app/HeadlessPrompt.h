#pragma once

#include <mutex>
#include <ostream>
#include <string>

#include "platform/Prompt.h"

namespace tavik {

// The prompt of an unattended run: every box and notice goes to the error stream as it
// happens, after "monitor: "; questions are answered No, so nothing is deleted or ended
// without a person.
//
// For the journal (`journal`: the error stream is systemd's), every line of a text begins with
// its priority, continuation lines too, so that a device error's call chain stays one error:
// "<3>" for message boxes and errors (failures), "<4>" for notices (a receiver lost or back,
// work dropped, a setting without effect).
class CHeadlessPrompt final : public CPrompt {
public:
    explicit CHeadlessPrompt(std::ostream& err, bool journal = false)
        : m_err(err), m_bJournal(journal) {}
    int MessageBox(const std::string& text, unsigned style) override;
    void Notice(const std::string& text) override;
    // A failure that ends the run (it exits with 1): said as a message box is.
    void Error(const std::string& text);

    static constexpr const char* kErrorPriority = "<3>";
    static constexpr const char* kWarningPriority = "<4>";

private:
    void Print(const std::string& text, const char* priority);

    std::mutex m_mutex;  // notices may come from any thread
    std::ostream& m_err;
    const bool m_bJournal;
};

}  // namespace tavik

#pragma once

#include <string>

class QWidget;

namespace tavik {

class CPrompt;

// Shows a drawing failure of a chart or meter once the current paint has ended (a modal box
// inside a paint event would re-enter painting). At most one report waits at a time, so a
// failure in every frame does not pile up boxes. Without a prompt a QMessageBox with the icon
// of the style (0x10 stop, 0x30 exclamation, 0 none) is shown.
class CDrawingFailureReporter {
public:
    explicit CDrawingFailureReporter(QWidget* owner) : m_pOwner(owner) {}

    void SetPrompt(CPrompt* prompt) { m_pPrompt = prompt; }
    void Report(const std::string& text, unsigned style);

private:
    void Show(const std::string& text, unsigned style);

    QWidget* m_pOwner;
    CPrompt* m_pPrompt = nullptr;
    bool m_bPending = false;
};

}  // namespace tavik

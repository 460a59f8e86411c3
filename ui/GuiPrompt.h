#pragma once

#include <functional>
#include <string>

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/Prompt.h"

namespace tavik {

// Message boxes of the GUI: the icon and buttons of the style value (0x10 stop, 0x20 question,
// 0x30 exclamation; 1 OK/Cancel, 4 Yes/No; 0x100 No as default). Notices go to the status bar; they
// may come from any thread and are shown on the user-interface thread.
class CGuiPrompt final : public QObject, public CPrompt {
    Q_OBJECT

public:
    static constexpr const char* kCaption = "TAVIK";
    static constexpr int kNoticeMs = 10000;  // how long a notice stays in the status bar

    explicit CGuiPrompt(QObject* parent = nullptr);

    // The window the boxes are modal to, and where notices are shown (user-interface thread).
    void SetParentWidget(QWidget* parent) { m_pParent = parent; }
    void SetNoticeSink(std::function<void(const QString&, int)> sink) {
        m_noticeSink = std::move(sink);
    }

    int MessageBox(const std::string& text, unsigned style) override;
    void Notice(const std::string& text) override;
    // A box that is not modal: the event loop, and with it the main timer, goes on.
    void Ask(const std::string& text, unsigned style, std::function<void(int)> answered) override;

    // The box that MessageBox would show, not yet executed.
    static void Configure(QMessageBox& box, const std::string& text, unsigned style);
    // The answer of a box of `style` closed with `button`.
    static int Answer(unsigned style, QMessageBox::StandardButton button);

private:
    QPointer<QWidget> m_pParent;
    std::function<void(const QString&, int)> m_noticeSink;
};

}  // namespace tavik

#include "ui/GuiPrompt.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

namespace tavik {

CGuiPrompt::CGuiPrompt(QObject* parent) : QObject(parent) {}

void CGuiPrompt::Configure(QMessageBox& box, const std::string& text, unsigned style) {
    box.setWindowTitle(QString::fromLatin1(kCaption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    switch (style & 0xF0u) {
        case MB_ICONSTOP:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONEXCLAMATION:
            box.setIcon(QMessageBox::Warning);
            break;
        case 0x40:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    if ((style & 0x0Fu) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((style & MB_DEFBUTTON2) != 0 ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else if ((style & 0x0Fu) == MB_OKCANCEL) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
}

int CGuiPrompt::Answer(unsigned style, QMessageBox::StandardButton button) {
    switch (style & 0x0Fu) {
        case MB_YESNO:
            return button == QMessageBox::Yes ? IDYES : IDNO;
        case MB_OKCANCEL:
            return button == QMessageBox::Ok ? IDOK : IDCANCEL;
        default:
            return IDOK;
    }
}

int CGuiPrompt::MessageBox(const std::string& text, unsigned style) {
    QMessageBox box(m_pParent);
    Configure(box, text, style);
    return Answer(style, static_cast<QMessageBox::StandardButton>(box.exec()));
}

void CGuiPrompt::Ask(const std::string& text, unsigned style, std::function<void(int)> answered) {
    auto* box = new QMessageBox(m_pParent);
    Configure(*box, text, style);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, style, answered = std::move(answered)] {
        // Escape and the window's close button give the escape button, No or Cancel.
        answered(Answer(style, box->standardButton(box->clickedButton())));
    });
    box->show();
}

void CGuiPrompt::Notice(const std::string& text) {
    const QString message = QString::fromStdString(text);
    // Queued onto the prompt's own (user-interface) thread when called from elsewhere.
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (m_noticeSink) {
                m_noticeSink(message, kNoticeMs);
            }
        },
        QThread::currentThread() == thread() ? Qt::DirectConnection : Qt::QueuedConnection);
}

}  // namespace tavik

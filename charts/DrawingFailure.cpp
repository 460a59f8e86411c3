#include "charts/DrawingFailure.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QWidget>

#include "platform/Prompt.h"

namespace tavik {

void CDrawingFailureReporter::Report(const std::string& text, unsigned style) {
    if (m_bPending) {
        return;
    }
    m_bPending = true;
    QMetaObject::invokeMethod(
        m_pOwner, [this, text, style] { Show(text, style); }, Qt::QueuedConnection);
}

void CDrawingFailureReporter::Show(const std::string& text, unsigned style) {
    m_bPending = false;
    if (m_pPrompt != nullptr) {
        m_pPrompt->MessageBox(text, style);
        return;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if ((style & 0xF0u) == MB_ICONSTOP) {
        icon = QMessageBox::Critical;
    } else if ((style & 0xF0u) == MB_ICONEXCLAMATION) {
        icon = QMessageBox::Warning;
    }
    QMessageBox box(icon, QString(), QString::fromStdString(text), QMessageBox::Ok, m_pOwner);
    box.exec();
}

}  // namespace tavik

#include "ui/DocumentCommands.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "document/TAVIKSDIDoc.h"
#include "ui/GuiPrompt.h"
#include "ui/RecentFileList.h"

namespace tavik {

CDocumentCommands::CDocumentCommands(CTAVIKSDIDoc& doc, CRecentFileList& recent, QWidget* parent)
    : m_doc(doc), m_recent(recent), m_pParent(parent) {}

QString CDocumentCommands::DocumentTitle() const {
    const std::string& path = m_doc.GetPathName();
    return path.empty() ? QString::fromLatin1(kUntitled)
                        : QFileInfo(QString::fromStdString(path)).fileName();
}

bool CDocumentCommands::SaveModified() {
    if (!m_doc.IsModified()) {
        return true;
    }
    const auto answer = QMessageBox::warning(
        m_pParent, QString::fromLatin1(CGuiPrompt::kCaption),
        m_strStation.isEmpty()
            ? QStringLiteral("Save changes to %1?").arg(DocumentTitle())
            : QStringLiteral("Save changes to %1 (%2)?").arg(DocumentTitle(), m_strStation),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) {
        return false;
    }
    return answer == QMessageBox::No || OnFileSave();
}

bool CDocumentCommands::OnFileNew() {
    if (!SaveModified() || !m_doc.OnNewDocument()) {
        return false;
    }
    m_doc.UpdateAllViews(nullptr, 0);
    // The new setup's frequency and antenna go to the receiver, and its hints unlock the pages.
    m_doc.OnDetectHardware();
    return true;
}

bool CDocumentCommands::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(m_pParent, QStringLiteral("Open"), QString(),
                                                      QString::fromLatin1(kFilter));
    return !path.isEmpty() && OpenDocumentFile(path);
}

bool CDocumentCommands::OpenDocumentFile(const QString& path, bool detect) {
    if (!SaveModified()) {
        return false;
    }
    if (!m_doc.OnOpenDocument(QFileInfo(path).absoluteFilePath().toStdString())) {
        return false;
    }
    m_recent.Add(path);
    if (m_recentChanged) {
        m_recentChanged();
    }
    m_doc.UpdateAllViews(nullptr, 0);
    if (detect) {
        m_doc.OnDetectHardware();
    }
    return true;
}

bool CDocumentCommands::OnFileSave() {
    const std::string& path = m_doc.GetPathName();
    return path.empty() ? OnFileSaveAs() : DoSave(QString::fromStdString(path));
}

bool CDocumentCommands::OnFileSaveAs() {
    QFileDialog dialog(m_pParent, QStringLiteral("Save As"), QString(),
                       QString::fromLatin1(kFilter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(kExtension + 1));
    dialog.selectFile(DocumentTitle());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    return DoSave(dialog.selectedFiles().constFirst());
}

bool CDocumentCommands::DoSave(const QString& path) {
    if (!m_doc.OnSaveDocument(path.toStdString())) {
        return false;
    }
    m_recent.Add(path);
    if (m_recentChanged) {
        m_recentChanged();
    }
    return true;
}

}  // namespace tavik

#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace tavik {

class CTAVIKSDIDoc;
class CRecentFileList;

// The framework's file commands for the one document: New, Open, Save, Save As and the recent
// files, with the question to save a modified document first. After a new or opened document
// every view gets hint 0, as after start-up, and the receiver is detected again (tuned to the
// setup, its pages unlocked). User-interface thread.
class CDocumentCommands {
public:
    static constexpr const char* kFilter = "TAVIKS Files (*.tvk)";
    static constexpr const char* kExtension = ".tvk";
    static constexpr const char* kUntitled = "Untitled";

    CDocumentCommands(CTAVIKSDIDoc& doc, CRecentFileList& recent, QWidget* parent);

    bool OnFileNew();
    bool OnFileOpen();
    // Opens `path` (command line, recent file list); false when the document refused it.
    // `detect`: detect the receiver afterwards (start-up does so once the window is up).
    bool OpenDocumentFile(const QString& path, bool detect = true);
    bool OnFileSave();
    bool OnFileSaveAs();
    // Asks to save a modified document: false when the user cancelled (or the save failed).
    bool SaveModified();

    // One station of several: the question to save names it ("… (98.500 MHz)?").
    void SetStation(const QString& station) { m_strStation = station; }

    // Called after the recent file list changed.
    void SetRecentFilesChanged(std::function<void()> changed) { m_recentChanged = changed; }

private:
    bool DoSave(const QString& path);
    QString DocumentTitle() const;

    CTAVIKSDIDoc& m_doc;
    CRecentFileList& m_recent;
    QWidget* m_pParent;
    std::function<void()> m_recentChanged;
    QString m_strStation;
};

}  // namespace tavik

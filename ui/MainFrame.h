#pragma once

#include <array>
#include <map>
#include <memory>

#include <QMainWindow>

class QAction;
class QLabel;

namespace tavik {

class CTAVIKSDIDoc;
class CGuiMessageTarget;
class CTAVIKSDIView;
class CDocumentCommands;
class CPagePrinter;
class CRecentFileList;
class CUserGuide;
class CProgrammePlayer;
class CWindowEvidence;
struct SItemViewFactories;

// The main window "NORVANE TAVIK": menu, toolbar and status bar around the main view. The
// toolbar follows the measurement state (SetToolbarState); the status bar says whether the
// receiver was found; closing asks first while a measurement runs. It only wires actions to
// the document, the file and print commands and the views.
class CMainFrame final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kMinWidth = 800;
    static constexpr int kMinHeight = 600;
    static constexpr const char* kTitle = "NORVANE TAVIK";
    static constexpr const char* kCloseQuestion =
        "The Measurement is still running !\nDo you want to end the measurement and exit ?";

    CMainFrame(CTAVIKSDIDoc& doc, CGuiMessageTarget& window, const SItemViewFactories& views);
    ~CMainFrame() override;

    // Stores the hardware and running flags and sets the toolbar buttons by the state table.
    void SetToolbarState(bool hardware, bool scanning, bool running, bool paused);
    bool IsRunning() const { return m_bRunning; }
    bool IsHardware() const { return m_bHardware; }

    // The action of a command identifier (toolbar, menu, accelerator), or null.
    QAction* GetAction(int commandId) const;
    CTAVIKSDIView& GetMainView() const { return *m_pView; }
    CWindowEvidence& GetEvidence() const { return *m_pEvidence; }
    // The protocol page shows the evidence setting again (after a change not made there).
    void ShowEvidenceSettings();
    CDocumentCommands& GetDocumentCommands() const { return *m_pDocumentCommands; }
    QLabel& GetHardwarePane() const { return *m_pHardwarePane; }
    // The status bar's result-logging pane; UpdateLoggingPane shows the document's state.
    QLabel& GetLoggingPane() const { return *m_pLoggingPane; }
    void UpdateLoggingPane();
    void ShowAbout();
    // Help > User Guide (F1): the README's user part in a window beside this one.
    void ShowUserGuide();
    // File > Export Report...: a chosen day's result file (with its log) as a PDF.
    void ExportReport();
    // File > Open Recordings Folder...: where the receiver's recordings are read from, kept
    // in the settings; the receiver is detected again there.
    void OpenRecordingsFolder();
    // File > Receiver...: an SDR or an IQ recording instead of the recordings, kept in the
    // settings for the next start. Only while no measurement runs.
    void ChooseReceiver();
    // The receiver text as File > Receiver... takes it: kept, set and detected; an IQ capture
    // also tunes to the station its metadata names, else its centre. False (after saying so)
    // for a text that names no receiver.
    bool UseReceiver(const QString& receiver);
    // The size and place the window had when it was last closed; the first time (or when no
    // screen shows that place any more) 1280 x 800, or the screen's free area when smaller.
    void RestoreGeometry();
    void SaveWindowPlace() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // False (after saying so) while a measurement runs or is paused.
    bool RefuseWhileMeasuring(const std::string& what);
    // MainFrameActions.cpp
    void CreateActions();
    void CreateFileActions();
    void CreateEditActions();
    void CreateMeasurementActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateAccelerators();
    // MainFrameListen.cpp
    void CreateListenAction();
    void OnListen(bool on);
    void EndListening(const QString& why);
    QAction* AddAction(int commandId, const QString& text, const QString& tip = QString());
    void UpdateRecentFileMenu();
    void UpdateHardwarePane();

    CTAVIKSDIDoc& m_doc;
    std::unique_ptr<CRecentFileList> m_pRecentFiles;
    std::unique_ptr<CDocumentCommands> m_pDocumentCommands;
    std::unique_ptr<CPagePrinter> m_pPrinter;
    CTAVIKSDIView* m_pView;  // the central widget
    std::map<int, QAction*> m_actions;
    std::array<QAction*, 4> m_recentActions{};  // the recent files in the File menu
    QAction* m_pNoRecentAction = nullptr;       // "Recent File", disabled, while none
    QLabel* m_pHardwarePane = nullptr;
    QLabel* m_pLoggingPane = nullptr;
    CUserGuide* m_pUserGuide = nullptr;            // a child, made when first asked for
    std::unique_ptr<CWindowEvidence> m_pEvidence;  // the evidence clips of each measurement
    std::unique_ptr<CProgrammePlayer> m_pPlayer;   // behind the Listen action
    bool m_bRunning = false;
    bool m_bHardware = false;
};

}  // namespace tavik

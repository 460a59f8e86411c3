#pragma once

#include <array>
#include <map>
#include <memory>
#include <vector>

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
class CStationsView;
struct SItemViewFactories;

// The main window "NORVANE TAVIK": menu, toolbar and status bar around the main view. The
// toolbar follows the measurement state (SetToolbarState); the status bar says whether the
// receiver was found; closing asks first while a measurement runs. It only wires actions to
// the document, the file and print commands and the views. With several stations of one
// receiver (SetStations) each station has its own document and main view and the window shows
// one of them: Detect, Start, Pause and Stop act on every station, the pages, the status panes,
// printing, listening and the result file on the one shown; the setup files and the receiver
// are the command line's.
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
    // The main view shown (with several stations, the shown station's).
    CTAVIKSDIView& GetMainView() const { return *m_pView; }
    // The document of the station shown.
    CTAVIKSDIDoc& GetDocument() const { return *m_pDoc; }

    struct SStationDocument {
        CTAVIKSDIDoc* pDoc;
        CGuiMessageTarget* pWindow;
    };
    // Several stations: the first is this frame's document (with `window`, its result window),
    // the others get main views of their own, with `views`, attached to their documents.
    void SetStations(const std::vector<SStationDocument>& stations,
                     const SItemViewFactories& views);
    // Marks every station on each station's panorama (after they were tuned).
    void MarkStations();
    // The station list and its stack; null with one station.
    CStationsView* GetStations() const { return m_pStations; }
    // Every station's document (the frame's alone with one station).
    std::vector<CTAVIKSDIDoc*> GetDocuments() const;
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
    // Asks to save each modified setup, every station's: false when the user cancelled.
    bool SaveModifiedStations();
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
    void MakePlayer();
    void OnListen(bool on);
    void EndListening(const QString& why);
    QAction* AddAction(int commandId, const QString& text, const QString& tip = QString());
    void UpdateRecentFileMenu();
    void UpdateHardwarePane();
    // MainFrameStations.cpp
    void OnStationShown(int index);

    CTAVIKSDIDoc* m_pDoc;  // the station shown
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
    CStationsView* m_pStations = nullptr;          // the central widget with several stations
    std::vector<std::unique_ptr<CWindowEvidence>> m_stationEvidence;  // of the other stations
    bool m_bRunning = false;
    bool m_bHardware = false;
};

}  // namespace tavik

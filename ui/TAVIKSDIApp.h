#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/IqFileSource.h"
#include "device/LiveIqSource.h"
#include "device/ReceiverSources.h"
#include "device/StationsReceiver.h"
#include "platform/Pacer.h"
#include "ui/ItemPages.h"

namespace tavik {

class CPrompt;
class CGuiPrompt;
class CGuiMessageTarget;
class CTAVIKSDIDoc;
class CMainFrame;

// How the application was started from the command line.
struct SStartOptions {
    std::string strDocument;     // a .tvk to open; empty: a new document
    bool bStart = false;         // measure as soon as the window is up (unattended station)
    bool bEnableAlarms = false;  // tick every alarm of the setup once the window is up
    std::string strLogFolder;    // log here from the start; empty: the remembered folder
    std::string strRecordings;   // the recordings' folder; empty: see RecordingsFolder
    // A receiver instead of the recordings: an IQ file or a live source. Without one (and
    // without a recordings folder) the receiver chosen last in the window is used.
    std::optional<CIqSourceSettings> iqSource;
    std::optional<CLiveSourceSettings> liveSource;
    CReceiverAdjustments receiver;  // gain, calibration, correction of the receiver used
    // Evidence clips for this run instead of the remembered setting (either part alone too).
    std::optional<int> evidenceSeconds;
    std::optional<int> evidenceMaxMb;
    // Several stations (MHz, 2 or more) of the receiver above, measured at once: each its own
    // document tuned to it, whose live source is its channel of the one shared receiver, with
    // the setup of strDocument and, with a log folder, logging into its FOLDER/<MHz>/.
    std::vector<double> stations;
};

// The application: the settings key "NORVANE", the one document, the result window and the
// main frame. InitInstance builds them and shows the window; the receiver is detected (and,
// when asked, the measurement started) once the window is up. A QApplication must exist.
class CTAVIKSDIApp {
public:
    static constexpr const char* kSettingsKey = "NORVANE";
    static constexpr const char* kApplicationName = "TAVIK";

    // `prompt` replaces the message boxes (tests); null: the GUI's own boxes.
    explicit CTAVIKSDIApp(CPrompt* prompt = nullptr,
                          const SItemViewFactories& views = DefaultItemViews());
    ~CTAVIKSDIApp();
    CTAVIKSDIApp(const CTAVIKSDIApp&) = delete;
    CTAVIKSDIApp& operator=(const CTAVIKSDIApp&) = delete;

    // Builds the window and processes the command line; false when the document given could
    // not be opened (the document said why).
    bool InitInstance(const SStartOptions& options);
    // Detects the receiver, ticks the alarms when asked, opens the log files of
    // --log-folder and, with --start, starts measuring (logging into the remembered results
    // folder when no folder was given). InitInstance queues it to run once the window is up.
    void OnWindowReady(const SStartOptions& options);

    // The folder the recordings are read from: the command line's, else the working
    // directory when it holds them, else the one chosen last with File > Open Recordings
    // Folder..., else the working directory.
    static std::string RecordingsFolder(const std::string& commandLine);
    // What is measured: the receiver of the command line; else the recordings of
    // --recordings or of the working directory when it holds them; else the receiver chosen
    // last with File > Receiver... (none: the recordings); with the command line's gain,
    // calibration and correction.
    static CReceiverSources StartSources(const SStartOptions& options);

    CTAVIKSDIDoc& GetDocument() const { return *m_pDoc; }
    CMainFrame& GetMainFrame() const { return *m_pFrame; }

    // Sets the organisation and application names and INI settings; before any QSettings use.
    static void RegisterSettings();

private:
    const SItemViewFactories m_views;
    std::unique_ptr<CGuiPrompt> m_pGuiPrompt;
    CPrompt* m_pPrompt;
    // With several stations: the pace of a capture and the shared receiver, which outlive
    // the documents whose sources read them.
    std::unique_ptr<CRealTimePacer> m_pPacer;
    CStationsReceiver m_stationsReceiver;
    std::unique_ptr<CGuiMessageTarget> m_pWindow;  // outlives the document that posts to it
    std::unique_ptr<CTAVIKSDIDoc> m_pDoc;          // the first station's with several
    struct SStation {
        std::unique_ptr<CGuiMessageTarget> pWindow;
        std::unique_ptr<CTAVIKSDIDoc> pDoc;
    };
    std::vector<SStation> m_otherStations;
    std::unique_ptr<CMainFrame> m_pFrame;  // first to go: its views leave the document

    // Every station's document: the first, then the others.
    std::vector<CTAVIKSDIDoc*> Documents() const;
    // Makes the shared receiver and the other stations' documents and views, and tunes each
    // station; false (after saying why) when the receiver cannot be made.
    bool InitStations(const SStartOptions& options);
};

}  // namespace tavik

#include "ui/TAVIKSDIApp.h"

#include "device/ReceiverSources.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include <QApplication>
#include <QFileDialog>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include "document/TAVIKSDIDoc.h"
#include "ui/DocumentCommands.h"
#include "ui/GuiMessageTarget.h"
#include "ui/GuiPrompt.h"
#include "ui/MainFrame.h"
#include "ui/RecentFileList.h"
#include "ui/TAVIKSDIView.h"
#include "ui/TavikApplication.h"
#include "ui/WindowEvidence.h"

namespace tavik {

namespace {

// A document's folder question, as a folder dialog over the window.
CTAVIKSDIDoc::CFolderChooser FolderChooser(QWidget& frame) {
    return [&frame](const std::string& title,
                    const std::string& current) -> std::optional<std::string> {
        const QString folder = QFileDialog::getExistingDirectory(
            &frame, QString::fromStdString(title), QString::fromStdString(current));
        if (folder.isEmpty()) {
            return std::nullopt;
        }
        return folder.toStdString();
    };
}

}  // namespace

void CTAVIKSDIApp::RegisterSettings() {
    QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsKey));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QSettings::setDefaultFormat(QSettings::IniFormat);
}

CTAVIKSDIApp::CTAVIKSDIApp(CPrompt* prompt, const SItemViewFactories& views)
    : m_views(views),
      m_pGuiPrompt(std::make_unique<CGuiPrompt>()),
      m_pPrompt(prompt != nullptr ? prompt : m_pGuiPrompt.get()),
      m_pWindow(std::make_unique<CGuiMessageTarget>()),
      m_pDoc(std::make_unique<CTAVIKSDIDoc>()) {
    RegisterSettings();
    m_pDoc->SetPrompt(m_pPrompt);
}

CTAVIKSDIApp::~CTAVIKSDIApp() {
    if (!m_pFrame) {
        return;
    }
    for (CTAVIKSDIDoc* doc : Documents()) {
        doc->OnMeasurementStop();  // does nothing unless measuring
    }
    // Nothing the document says on its way out may reach the window any more.
    m_pGuiPrompt->SetNoticeSink(nullptr);
    CTavikApplication::SetFailureSink(nullptr);
    for (CTAVIKSDIDoc* doc : Documents()) {
        doc->SetFolderChooser(nullptr);
    }
    m_pFrame.reset();
}

std::vector<CTAVIKSDIDoc*> CTAVIKSDIApp::Documents() const {
    std::vector<CTAVIKSDIDoc*> documents{m_pDoc.get()};
    for (const SStation& station : m_otherStations) {
        documents.push_back(station.pDoc.get());
    }
    return documents;
}

bool CTAVIKSDIApp::InitInstance(const SStartOptions& options) {
    m_pFrame = std::make_unique<CMainFrame>(*m_pDoc, *m_pWindow, m_views);
    CMainFrame& frame = *m_pFrame;
    m_pGuiPrompt->SetParentWidget(&frame);
    m_pGuiPrompt->SetNoticeSink(
        [&frame](const QString& text, int ms) { frame.statusBar()->showMessage(text, ms); });
    // A failure that escaped a slot is shown as a warning that does not stop the ticks.
    CTavikApplication::SetFailureSink([prompt = m_pPrompt](const std::string& text) {
        prompt->Ask(text, MB_ICONEXCLAMATION, [](int) {});
    });
    m_pDoc->SetFolderChooser(FolderChooser(frame));

    frame.GetMainView().OnInitialUpdate();
    if (!options.strDocument.empty()) {
        if (!frame.GetDocumentCommands().OpenDocumentFile(
                QString::fromStdString(options.strDocument), false)) {
            return false;
        }
    } else {
        m_pDoc->OnNewDocument();
        m_pDoc->UpdateAllViews(nullptr, 0);
    }
    if (options.evidenceSeconds || options.evidenceMaxMb) {
        const SEvidenceSettings remembered = frame.GetEvidence().GetSettings();
        frame.GetEvidence().SetSettings({options.evidenceSeconds.value_or(remembered.nSeconds),
                                         options.evidenceMaxMb.value_or(remembered.nMaxMb)},
                                        false);
        frame.ShowEvidenceSettings();
    }
    if (options.stations.size() > 1) {
        if (!InitStations(options)) {
            return false;
        }
    } else {
        m_pDoc->GetDevice().SetDataFolder(RecordingsFolder(options.strRecordings));
        const CReceiverSources sources = StartSources(options);
        m_pDoc->GetDevice().SetIqSource(sources.iq);
        m_pDoc->GetDevice().SetLiveSource(sources.live);
    }
    frame.RestoreGeometry();
    frame.show();
    QTimer::singleShot(0, &frame, [this, options] { OnWindowReady(options); });
    return true;
}

void CTAVIKSDIApp::OnWindowReady(const SStartOptions& options) {
    for (CTAVIKSDIDoc* doc : Documents()) {
        doc->OnDetectHardware();
        if (options.bEnableAlarms) {
            for (const CAlarmMap::Entry& entry : doc->GetAlarms()) {
                doc->SetAlarmChecked(entry.key, true);
            }
            doc->UpdateAllViews(nullptr, HINT_ALARM_LIST);
        }
    }
    if (!m_pFrame->IsHardware()) {
        return;
    }
    // An unattended station logs into the folder given, else the one chosen last, without
    // asking and without deleting anything there; earlier files of the day are continued.
    // Several stations log each into a folder of its own in it, named by its frequency.
    std::string folder = options.strLogFolder;
    std::error_code ec;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
    } else if (options.bStart) {
        folder = RememberedResultFolder().toStdString();
    }
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) {
        for (CTAVIKSDIDoc* doc : Documents()) {
            std::string own = folder;
            if (!m_otherStations.empty()) {
                own = (std::filesystem::path(folder) /
                       StationName(std::round(doc->GetTunerFrequency() * 1e3) * 1e3))
                          .string();
                std::filesystem::create_directories(own, ec);
            }
            if (std::filesystem::is_directory(own, ec)) {
                doc->OpenLogFilesKeeping(own);
            }
        }
    }
    if (options.bStart) {
        for (CTAVIKSDIDoc* doc : Documents()) {
            doc->OnMeasurementStart();
        }
    }
}

bool CTAVIKSDIApp::InitStations(const SStartOptions& options) {
    std::vector<double> hertz;
    for (const double megahertz : options.stations) {
        hertz.push_back(std::round(megahertz * 1e3) * 1e3);
    }
    std::sort(hertz.begin(), hertz.end());  // the list in frequency order
    CReceiverSources sources{options.iqSource, options.liveSource};
    options.receiver.ApplyTo(sources);
    CStationsReceiverChoice choice;
    choice.iq = sources.iq;
    choice.live = sources.live;
    if (const std::string fault = choice.Fault(hertz); !fault.empty()) {
        m_pPrompt->MessageBox(fault, MB_ICONEXCLAMATION);
        return false;
    }
    m_pPacer = std::make_unique<CRealTimePacer>();
    try {
        m_stationsReceiver = MakeStationsReceiver(choice, hertz, *m_pPacer);
    } catch (const std::exception& e) {
        m_pPrompt->MessageBox(e.what(), MB_ICONEXCLAMATION);
        return false;
    }
    std::vector<CMainFrame::SStationDocument> documents{{m_pDoc.get(), m_pWindow.get()}};
    for (std::size_t i = 1; i < hertz.size(); ++i) {
        SStation station{std::make_unique<CGuiMessageTarget>(), std::make_unique<CTAVIKSDIDoc>()};
        station.pDoc->SetPrompt(m_pPrompt);
        station.pDoc->SetFolderChooser(FolderChooser(*m_pFrame));
        documents.push_back({station.pDoc.get(), station.pWindow.get()});
        m_otherStations.push_back(std::move(station));
    }
    m_pFrame->SetStations(documents, m_views);
    for (std::size_t i = 0; i < hertz.size(); ++i) {
        CTAVIKSDIDoc& doc = *documents[i].pDoc;
        if (i > 0) {  // the first one's setup is open already
            if (!options.strDocument.empty()) {
                if (!doc.OnOpenDocument(options.strDocument)) {
                    return false;  // the document said why
                }
            } else {
                doc.OnNewDocument();
            }
        }
        CLiveSourceSettings live = m_stationsReceiver.station;
        live.channel = m_stationsReceiver.stream->Channel(static_cast<int>(i));
        live.station = hertz[i];
        doc.GetDevice().SetIqSource(std::nullopt);
        doc.GetDevice().SetLiveSource(live);
        try {
            doc.SetTunerFrequency(static_cast<float>(hertz[i] / 1e6));
        } catch (const CTavikControlException& e) {
            m_pPrompt->MessageBox(CTAVIKSDIDoc::FormatException(e), MB_ICONEXCLAMATION);
            return false;
        }
        doc.SetModifiedFlag(false);  // tuned by the command line, not changed by the user
        doc.UpdateAllViews(nullptr, 0);
    }
    m_pFrame->MarkStations();
    return true;
}

namespace {

bool WorkingDirectoryHoldsRecordings() {
    std::error_code ec;
    return std::filesystem::exists("mpx.dat", ec);
}

}  // namespace

std::string CTAVIKSDIApp::RecordingsFolder(const std::string& commandLine) {
    if (!commandLine.empty()) {
        return commandLine;
    }
    if (WorkingDirectoryHoldsRecordings()) {
        return {};  // the working directory, as it always was
    }
    return RememberedRecordingsFolder().toStdString();
}

CReceiverSources CTAVIKSDIApp::StartSources(const SStartOptions& options) {
    CReceiverSources sources{options.iqSource, options.liveSource};
    // A receiver remembered from the last session (perhaps gone since) never stands in for
    // recordings named or found here.
    if (!sources.iq && !sources.live && options.strRecordings.empty() &&
        !WorkingDirectoryHoldsRecordings()) {
        sources = ReceiverSources(RememberedReceiver().toStdString(), std::nullopt)
                      .value_or(CReceiverSources{});
    }
    options.receiver.ApplyTo(sources);
    return sources;
}

}  // namespace tavik

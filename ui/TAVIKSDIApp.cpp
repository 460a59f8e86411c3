#include "ui/TAVIKSDIApp.h"

#include "device/ReceiverSources.h"

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
    m_pDoc->OnMeasurementStop();  // does nothing unless measuring
    // Nothing the document says on its way out may reach the window any more.
    m_pGuiPrompt->SetNoticeSink(nullptr);
    CTavikApplication::SetFailureSink(nullptr);
    m_pDoc->SetFolderChooser(nullptr);
    m_pFrame.reset();
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
    m_pDoc->SetFolderChooser([&frame](const std::string& title,
                                      const std::string& current) -> std::optional<std::string> {
        const QString folder = QFileDialog::getExistingDirectory(
            &frame, QString::fromStdString(title), QString::fromStdString(current));
        if (folder.isEmpty()) {
            return std::nullopt;
        }
        return folder.toStdString();
    });

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
    m_pDoc->GetDevice().SetDataFolder(RecordingsFolder(options.strRecordings));
    const CReceiverSources sources = StartSources(options);
    m_pDoc->GetDevice().SetIqSource(sources.iq);
    m_pDoc->GetDevice().SetLiveSource(sources.live);
    frame.RestoreGeometry();
    frame.show();
    QTimer::singleShot(0, &frame, [this, options] { OnWindowReady(options); });
    return true;
}

void CTAVIKSDIApp::OnWindowReady(const SStartOptions& options) {
    CTAVIKSDIDoc& doc = *m_pDoc;
    doc.OnDetectHardware();
    if (options.bEnableAlarms) {
        for (const CAlarmMap::Entry& entry : doc.GetAlarms()) {
            doc.SetAlarmChecked(entry.key, true);
        }
        doc.UpdateAllViews(nullptr, HINT_ALARM_LIST);
    }
    if (!m_pFrame->IsHardware()) {
        return;
    }
    // An unattended station logs into the folder given, else the one chosen last, without
    // asking and without deleting anything there; earlier files of the day are continued.
    std::string folder = options.strLogFolder;
    std::error_code ec;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
    } else if (options.bStart) {
        folder = RememberedResultFolder().toStdString();
    }
    if (!folder.empty() && std::filesystem::is_directory(folder, ec)) {
        doc.OpenLogFilesKeeping(folder);
    }
    if (options.bStart) {
        doc.OnMeasurementStart();
    }
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

#include "ui/MainFrame.h"

#include <cmath>

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

#include "device/ReceiverSources.h"
#include "document/TAVIKSDIDoc.h"
#include "ui/AppIcon.h"
#include "ui/CommandIds.h"
#include "ui/DocumentCommands.h"
#include "ui/GuiPrompt.h"
#include "ui/ItemView.h"
#include "ui/MeasurementStatus.h"
#include "ui/PagePrinter.h"
#include "ui/ProgrammePlayer.h"
#include "ui/ProtocolView.h"
#include "ui/RecentFileList.h"
#include "ui/StationsView.h"
#include "ui/TAVIKSDIView.h"
#include "ui/ToolbarState.h"
#include "ui/UserGuide.h"
#include "ui/WindowEvidence.h"

#ifndef TAVIK_VERSION
#define TAVIK_VERSION "0"
#endif

namespace tavik {

namespace {

constexpr const char* kHardwareDetected = "HARDWARE DETECTED";
constexpr const char* kHardwareNotDetected = "HARDWARE NOT DETECTED";
// The window's place: its normal geometry without the frame, and whether it was maximized.
// Qt's saved geometry (the earlier form, still read) moved a window at the top of a display
// without a window manager down by a title bar at every start.
constexpr const char* kPlaceKey = "Settings/WindowPlace";
constexpr const char* kMaximizedKey = "Settings/WindowMaximized";
constexpr const char* kGeometryKey = "Settings/WindowGeometry";
constexpr int kVisibleWidth = 100;  // of a remembered place on some screen, else the default
constexpr int kVisibleHeight = 50;
constexpr int kDefaultWidth = 1280;
constexpr int kDefaultHeight = 800;

// Applies a button state of the table: 4 enabled, 0 shown but not enabled, 8 hidden.
void ApplyState(QAction* action, int state) {
    if (action == nullptr || state == TBSTATE_UNCHANGED) {
        return;
    }
    action->setVisible((state & TBSTATE_HIDDEN) == 0);
    action->setEnabled((state & TBSTATE_ENABLED) != 0);
}

}  // namespace

CMainFrame::CMainFrame(CTAVIKSDIDoc& doc, CGuiMessageTarget& window,
                       const SItemViewFactories& views)
    : m_pDoc(&doc), m_pRecentFiles(std::make_unique<CRecentFileList>()) {
    setWindowIcon(AppIcon());
    setMinimumSize(kMinWidth, kMinHeight);
    m_pDocumentCommands = std::make_unique<CDocumentCommands>(doc, *m_pRecentFiles, this);
    m_pDocumentCommands->SetRecentFilesChanged([this] { UpdateRecentFileMenu(); });
    m_pView = new CTAVIKSDIView(doc, window, *this, this, views);
    setCentralWidget(m_pView);
    m_pPrinter = std::make_unique<CPagePrinter>(
        this, [this] { return m_pView->GetItemView(m_pView->GetCurrentPage()); });
    m_pEvidence = std::make_unique<CWindowEvidence>(doc);
    ShowEvidenceSettings();
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateAccelerators();
    // Start, stop and pause are shown, not enabled, until the first state hint.
    for (int id : {ID_MEASUREMENT_START, ID_MEASUREMENT_STOP, ID_MEASUREMENT_PAUSE}) {
        ApplyState(GetAction(id), TBSTATE_DISABLED);
    }
    setWindowTitle(QString::fromLatin1(kTitle));
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::ShowEvidenceSettings() {
    const CTAVIKSDIView& first = m_pStations != nullptr ? m_pStations->GetView(0) : *m_pView;
    if (auto* protocol = qobject_cast<CProtocolView*>(first.GetItemView(ITEM_PROTOCOL))) {
        protocol->SetEvidence(m_pEvidence.get());
    }
}

QAction* CMainFrame::GetAction(int commandId) const {
    const auto it = m_actions.find(commandId);
    return it != m_actions.end() ? it->second : nullptr;
}

void CMainFrame::SetToolbarState(bool hardware, bool scanning, bool running, bool paused) {
    m_bHardware = hardware;
    m_bRunning = running;
    const SToolbarStates states = ToolbarStates(hardware, scanning, running, paused);
    ApplyState(GetAction(ID_MEASUREMENT_START), states.nStart);
    ApplyState(GetAction(ID_MEASUREMENT_STOP), states.nStop);
    ApplyState(GetAction(ID_MEASUREMENT_PAUSE), states.nPause);
    ApplyState(GetAction(ID_DETECT_HARDWARE), states.nDetect);
    if (m_pStations == nullptr) {  // the setup files stay off with several stations
        for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE}) {
            ApplyState(GetAction(id), states.nFiles);
        }
    }
    UpdateHardwarePane();
}

void CMainFrame::UpdateHardwarePane() {
    m_pHardwarePane->setText(
        QString::fromLatin1(m_bHardware ? kHardwareDetected : kHardwareNotDetected));
}

void CMainFrame::UpdateLoggingPane() {
    ShowStatusText(*m_pLoggingPane, LoggingStateText(m_pDoc->GetLoggingState()));
}

void CMainFrame::ShowUserGuide() {
    if (m_pUserGuide == nullptr) {
        m_pUserGuide = new CUserGuide(this);
    }
    m_pUserGuide->show();
    m_pUserGuide->raise();
    m_pUserGuide->activateWindow();
}

void CMainFrame::ShowAbout() {
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("About TAVIK"));
    box.setIconPixmap(AppIcon().pixmap(48, 48));
    box.setText(QStringLiteral("NORVANE TAVIK\nFM broadcast measurement\n\nVersion %1")
                    .arg(QString::fromLatin1(TAVIK_VERSION)));
    box.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // Paused counts as not running: no question then.
    if (m_bRunning &&
        m_pDoc->GetPrompt().MessageBox(kCloseQuestion, MB_YESNO_EXCLAMATION) != IDYES) {
        event->ignore();
        return;
    }
    if (!SaveModifiedStations()) {
        event->ignore();
        return;
    }
    const QString folder = QString::fromStdString(m_pDoc->GetProtocolHeaderRef().m_strLogFolder);
    if (!folder.isEmpty() && m_pStations == nullptr) {  // a station's folder is not the results'
        RememberResultFolder(folder);
    }
    for (CTAVIKSDIDoc* doc : GetDocuments()) {
        doc->DeleteContents();  // stops a measurement with its files closed
    }
    SaveWindowPlace();
    event->accept();
}

void CMainFrame::SaveWindowPlace() const {
    QSettings settings;
    settings.setValue(kPlaceKey, normalGeometry());
    settings.setValue(kMaximizedKey, isMaximized());
    settings.remove(kGeometryKey);
}

namespace {

// The screen that shows enough of `place`, or null.
const QScreen* ScreenShowing(const QRect& place) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(place);
        if (visible.width() >= kVisibleWidth && visible.height() >= kVisibleHeight) {
            return screen;
        }
    }
    return nullptr;
}

}  // namespace

void CMainFrame::RestoreGeometry() {
    const QSettings settings;
    const QRect place = settings.value(kPlaceKey).toRect();
    if (const QScreen* screen = place.isValid() ? ScreenShowing(place) : nullptr) {
        setGeometry(
            QRect(place.topLeft(),
                  place.size().boundedTo(screen->availableSize()).expandedTo(minimumSize())));
        if (settings.value(kMaximizedKey).toBool()) {
            setWindowState(windowState() | Qt::WindowMaximized);
        }
        return;
    }
    if (restoreGeometry(settings.value(kGeometryKey).toByteArray())) {
        return;
    }
    QSize size(kDefaultWidth, kDefaultHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        size = size.boundedTo(screen->availableSize());
    }
    resize(size.expandedTo(minimumSize()));
}

void CMainFrame::OpenRecordingsFolder() {
    if (!RefuseWhileMeasuring("The recordings folder")) {
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Open Recordings Folder"), RememberedRecordingsFolder());
    if (folder.isEmpty()) {
        return;
    }
    // A folder without recordings is taken all the same (they may be copied there next), but
    // the user hears at once what is missing rather than at the start.
    if (const std::string fault = CTavikControl::RecordingsFolderFault(folder.toStdString());
        !fault.empty()) {
        m_pDoc->GetPrompt().MessageBox(fault, MB_ICONEXCLAMATION);
    }
    RememberRecordingsFolder(folder);
    m_pDoc->GetDevice().SetDataFolder(folder.toStdString());
    m_pDoc->OnDetectHardware();
}

bool CMainFrame::RefuseWhileMeasuring(const std::string& what) {
    if (!m_pDoc->IsRunning() && !m_pDoc->IsPaused()) {
        return true;
    }
    m_pDoc->GetPrompt().MessageBox(what +
                                       " can be changed while no measurement runs.\nStop the "
                                       "measurement first.",
                                   MB_ICONEXCLAMATION);
    return false;
}

void CMainFrame::ChooseReceiver() {
    if (!RefuseWhileMeasuring("The receiver")) {
        return;
    }
    bool ok = false;
    const QString receiver =
        QInputDialog::getText(this, QStringLiteral("Receiver"),
                              QStringLiteral("Empty for the recordings, or iq:FILE.sigmf-meta, "
                                             "rtltcp:HOST[:PORT], soapy:ARGS"),
                              QLineEdit::Normal, RememberedReceiver(), &ok)
            .trimmed();
    if (ok) {
        UseReceiver(receiver);
    }
}

bool CMainFrame::UseReceiver(const QString& receiver) {
    const auto sources = ReceiverSources(receiver.toStdString(), std::nullopt);
    if (!sources) {
        m_pDoc->GetPrompt().MessageBox("\"" + receiver.toStdString() +
                                           "\" names no receiver: give iq:FILE, "
                                           "rtltcp:HOST[:PORT] or soapy:ARGS, or nothing for "
                                           "the recordings.",
                                       MB_ICONEXCLAMATION);
        return false;
    }
    RememberReceiver(receiver);
    m_pDoc->GetDevice().SetIqSource(sources->iq);
    m_pDoc->GetDevice().SetLiveSource(sources->live);
    // A capture is received at the station its metadata names, else its centre; one that
    // cannot be read says why when the measurement starts.
    if (const auto station = sources->iq ? CIqFileSource::StationOf(*sources->iq) : std::nullopt) {
        m_pDoc->SetTunerFrequency(static_cast<float>(std::round(*station / 1e3) / 1e3));
    }
    m_pDoc->OnDetectHardware();
    return true;
}

}  // namespace tavik

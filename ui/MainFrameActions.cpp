// The main frame's menu, toolbar, status bar and accelerators, and what each command calls.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>

#include "document/TAVIKSDIDoc.h"
#include "ui/CommandIds.h"
#include "ui/DocumentCommands.h"
#include "ui/MainFrame.h"
#include "ui/MeasurementStatus.h"
#include "ui/PagePrinter.h"
#include "ui/RecentFileList.h"
#include "ui/TAVIKSDIView.h"
#include "ui/ToolbarIcons.h"

namespace tavik {

namespace {

// An editing command goes to the focused control when it has that slot (line edits do).
void SendToFocus(const char* slot) {
    if (QWidget* focus = QApplication::focusWidget()) {
        QMetaObject::invokeMethod(focus, slot);
    }
}

}  // namespace

QAction* CMainFrame::AddAction(int commandId, const QString& text, const QString& tip) {
    auto* action = new QAction(ToolbarIcon(commandId), text, this);
    if (!tip.isEmpty()) {
        action->setToolTip(tip);
        action->setStatusTip(tip);
    }
    m_actions[commandId] = action;
    return action;
}

void CMainFrame::CreateActions() {
    CreateFileActions();
    CreateEditActions();
    CreateMeasurementActions();
    CreateListenAction();
}

void CMainFrame::CreateFileActions() {
    CDocumentCommands& files = *m_pDocumentCommands;
    const auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, handler);
    };
    QAction* a = AddAction(ID_FILE_NEW, QStringLiteral("&New"), QStringLiteral("New"));
    a->setShortcut(QKeySequence::New);
    on(a, [&files] { files.OnFileNew(); });
    a = AddAction(ID_FILE_OPEN, QStringLiteral("&Open..."), QStringLiteral("Open"));
    a->setShortcut(QKeySequence::Open);
    on(a, [&files] { files.OnFileOpen(); });
    a = AddAction(ID_FILE_SAVE, QStringLiteral("&Save"), QStringLiteral("Save"));
    a->setShortcut(QKeySequence::Save);
    on(a, [&files] { files.OnFileSave(); });
    on(AddAction(ID_FILE_SAVE_AS, QStringLiteral("Save &As...")),
       [&files] { files.OnFileSaveAs(); });
    on(AddAction(ID_SPECIFY_RESULT_FILE, QStringLiteral("Specify Result File...")), [this] {
        m_pDoc->OnSpecifyResultFile();
        std::string folder;
        m_pDoc->GetLogFolder(folder);
        if (!folder.empty()) {
            RememberResultFolder(QString::fromStdString(folder));
        }
    });
    a = AddAction(ID_FILE_PRINT, QStringLiteral("&Print..."));
    a->setShortcut(QKeySequence::Print);
    on(a, [this] { m_pPrinter->OnFilePrint(); });
    on(AddAction(ID_FILE_PRINT_PREVIEW, QStringLiteral("Print Pre&view")),
       [this] { m_pPrinter->OnFilePrintPreview(); });
    on(AddAction(ID_FILE_PRINT_SETUP, QStringLiteral("P&rint Setup...")),
       [this] { m_pPrinter->OnFilePrintSetup(); });
    for (int i = 0; i < CRecentFileList::kMaxFiles; ++i) {
        QAction* recent = AddAction(ID_FILE_MRU_FILE1 + i, QString());
        m_recentActions[i] = recent;
        on(recent, [this, i, &files] {
            const QString path = m_pRecentFiles->Files().value(i);
            if (!path.isEmpty() && !files.OpenDocumentFile(path)) {
                m_pRecentFiles->Remove(path);
                UpdateRecentFileMenu();
            }
        });
    }
    m_pNoRecentAction = new QAction(QStringLiteral("Recent File"), this);
    m_pNoRecentAction->setEnabled(false);
    on(AddAction(ID_APP_EXIT, QStringLiteral("E&xit")), [this] { close(); });
}

// Edit commands go to the widget with the focus.
void CMainFrame::CreateEditActions() {
    const auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, handler);
    };
    QAction* a = AddAction(ID_EDIT_UNDO, QStringLiteral("&Undo"));
    a->setShortcuts({QKeySequence::Undo, QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    on(a, [] { SendToFocus("undo"); });
    a = AddAction(ID_EDIT_CUT, QStringLiteral("Cu&t"), QStringLiteral("Cut"));
    a->setShortcuts({QKeySequence::Cut, QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    on(a, [] { SendToFocus("cut"); });
    a = AddAction(ID_EDIT_COPY, QStringLiteral("&Copy"), QStringLiteral("Copy"));
    a->setShortcuts({QKeySequence::Copy, QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    on(a, [] { SendToFocus("copy"); });
    a = AddAction(ID_EDIT_PASTE, QStringLiteral("&Paste"), QStringLiteral("Paste"));
    a->setShortcuts({QKeySequence::Paste, QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    on(a, [] { SendToFocus("paste"); });
}

// The receiver and the measurement, the tools and the help.
void CMainFrame::CreateMeasurementActions() {
    const auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, handler);
    };
    // On every station.
    const auto all = [this](void (CTAVIKSDIDoc::*command)()) {
        return [this, command] {
            for (CTAVIKSDIDoc* doc : GetDocuments()) {
                (doc->*command)();
            }
        };
    };
    on(AddAction(ID_DETECT_HARDWARE, QStringLiteral("Detect Hardware"),
                 QStringLiteral("Detects Hardware...")),
       all(&CTAVIKSDIDoc::OnDetectHardware));
    on(AddAction(ID_MEASUREMENT_START, QStringLiteral("Start"),
                 QStringLiteral("starts & stops the measurement")),
       all(&CTAVIKSDIDoc::OnMeasurementStart));
    on(AddAction(ID_MEASUREMENT_PAUSE, QStringLiteral("Pause"),
                 QStringLiteral("Pauses measurement")),
       all(&CTAVIKSDIDoc::OnMeasurementPause));
    on(AddAction(ID_MEASUREMENT_STOP, QStringLiteral("Stop"), QStringLiteral("Stops measurement")),
       all(&CTAVIKSDIDoc::OnMeasurementStop));

    on(AddAction(ID_OPEN_RECORDINGS, QStringLiteral("Open Recordings Folder..."),
                 QStringLiteral("Chooses the folder of the receiver's recordings")),
       [this] { OpenRecordingsFolder(); });
    on(AddAction(ID_CHOOSE_RECEIVER, QStringLiteral("Receiver..."),
                 QStringLiteral("Chooses an SDR or an IQ recording instead of the recordings")),
       [this] { ChooseReceiver(); });
    on(AddAction(ID_EXPORT_REPORT, QStringLiteral("Export Report..."),
                 QStringLiteral("Writes a day's results as a PDF report")),
       [this] { ExportReport(); });

    QAction* a = AddAction(ID_HELP_FINDER, QStringLiteral("&User Guide"),
                           QStringLiteral("Shows how to use TAVIK"));
    a->setShortcut(QKeySequence(Qt::Key_F1));
    on(a, [this] { ShowUserGuide(); });
    on(AddAction(ID_APP_ABOUT, QStringLiteral("&About TAVIK..."), QStringLiteral("About")),
       [this] { ShowAbout(); });
    a = AddAction(ID_CONTEXT_HELP, QStringLiteral("Help"),
                  QStringLiteral("Help on a part of the window: click it next"));
    a->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    on(a, [] { QWhatsThis::enterWhatsThisMode(); });
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS}) {
        file->addAction(GetAction(id));
    }
    file->addSeparator();
    file->addAction(GetAction(ID_OPEN_RECORDINGS));
    file->addAction(GetAction(ID_CHOOSE_RECEIVER));
    file->addAction(GetAction(ID_SPECIFY_RESULT_FILE));
    file->addAction(GetAction(ID_EXPORT_REPORT));
    file->addSeparator();
    for (int id : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP}) {
        file->addAction(GetAction(id));
    }
    file->addSeparator();
    file->addAction(m_pNoRecentAction);
    for (QAction* recent : m_recentActions) {
        file->addAction(recent);
    }
    file->addSeparator();
    file->addAction(GetAction(ID_APP_EXIT));
    UpdateRecentFileMenu();

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(GetAction(ID_EDIT_UNDO));
    edit->addSeparator();
    for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}) {
        edit->addAction(GetAction(id));
    }
    // The View menu's two entries are added with the bars they switch.
    menuBar()->addMenu(QStringLiteral("&View"))->setObjectName(QStringLiteral("view menu"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(GetAction(ID_HELP_FINDER));
    help->addSeparator();
    help->addAction(GetAction(ID_APP_ABOUT));
}

void CMainFrame::UpdateRecentFileMenu() {
    const QStringList& files = m_pRecentFiles->Files();
    for (int i = 0; i < CRecentFileList::kMaxFiles; ++i) {
        QAction* recent = m_recentActions[i];
        recent->setVisible(i < files.size());
        if (i < files.size()) {
            recent->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(files[i]));
        }
    }
    m_pNoRecentAction->setVisible(files.isEmpty());
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setIconSize(QSize(16, 15));
    bar->setMovable(true);  // with its gripper
    const int groups[][4] = {
        {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0},
        {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, 0},
        {ID_DETECT_HARDWARE, ID_MEASUREMENT_START, ID_MEASUREMENT_PAUSE, ID_MEASUREMENT_STOP},
        {ID_LISTEN, 0, 0, 0},
        {ID_APP_ABOUT, ID_CONTEXT_HELP, 0, 0}};
    for (const auto& group : groups) {
        if (!bar->actions().isEmpty()) {
            bar->addSeparator();
        }
        for (int id : group) {
            if (id != 0) {
                bar->addAction(GetAction(id));
            }
        }
    }
    // The measurement commands carry their names beside their icons: Start is the first
    // thing to find in a new window.
    const int texted[] = {ID_MEASUREMENT_START, ID_MEASUREMENT_PAUSE, ID_MEASUREMENT_STOP,
                          ID_LISTEN};
    for (int id : texted) {
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(GetAction(id)))) {
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
    }
    QAction* toggle = bar->toggleViewAction();
    toggle->setText(QStringLiteral("&Toolbar"));
    m_actions[ID_VIEW_TOOLBAR] = toggle;
    menuBar()->findChild<QMenu*>(QStringLiteral("view menu"))->addAction(toggle);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    m_pHardwarePane = new QLabel(this);
    m_pHardwarePane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pHardwarePane->setMinimumWidth(
        m_pHardwarePane->fontMetrics().horizontalAdvance(QStringLiteral("HARDWARE NOT DETECTED")) +
        8);
    m_pLoggingPane = new QLabel(this);
    m_pLoggingPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pLoggingPane->setAlignment(Qt::AlignCenter);
    m_pLoggingPane->setMinimumWidth(StatusTextWidth(m_pLoggingPane->font()) + 12);
    m_pLoggingPane->setToolTip(QStringLiteral(
        "Result logging: LOGGING while each second's record goes to the day's result file; "
        "NOT LOGGING when logging is switched on but its files could not be written"));
    bar->addPermanentWidget(m_pLoggingPane);
    bar->addPermanentWidget(m_pHardwarePane);
    bar->showMessage(QStringLiteral("Ready"));
    UpdateHardwarePane();
    UpdateLoggingPane();
    auto* toggle = new QAction(QStringLiteral("&Status Bar"), this);
    toggle->setCheckable(true);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, bar, &QStatusBar::setVisible);
    m_actions[ID_VIEW_STATUS_BAR] = toggle;
    menuBar()->findChild<QMenu*>(QStringLiteral("view menu"))->addAction(toggle);
}

// F2 to F5 show the pages; Alt+1 to Alt+7 the measurement views from any page.
void CMainFrame::CreateAccelerators() {
    const auto add = [this](int command, const QKeySequence& key, long hint) {
        auto* action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, hint] { m_pDoc->UpdateAllViews(nullptr, hint); });
        addAction(action);  // active without a menu entry
        m_actions[command] = action;
    };
    add(ID_VIEW_PROTOCOL, Qt::Key_F2, HINT_SHOW_PAGE);
    add(ID_VIEW_PARAMETER, Qt::Key_F3, HINT_SHOW_PAGE + 1);
    add(ID_VIEW_MEASUREMENT, Qt::Key_F4, HINT_SHOW_PAGE + 2);
    add(ID_VIEW_ALARMS, Qt::Key_F5, HINT_SHOW_PAGE + 3);
    for (int view = 0; view < kMeasurementViewKeys; ++view) {
        add(ID_VIEW_MEASUREMENT_FIRST + view,
            QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_1 + view)),
            HINT_SHOW_MEASUREMENT_VIEW + view);
    }
}

}  // namespace tavik

// Listening to the measured programme: the Listen action of the toolbar (and of the stereo and
// audio page) and the player behind it.
#include <QAction>
#include <QMediaDevices>
#include <QStatusBar>

#include "document/TAVIKSDIDoc.h"
#include "ui/CommandIds.h"
#include "ui/DataView.h"
#include "ui/GuiPrompt.h"
#include "ui/MainFrame.h"
#include "ui/ProgrammePlayer.h"
#include "ui/StereoAudioView.h"
#include "ui/TAVIKSDIView.h"

namespace tavik {

void CMainFrame::CreateListenAction() {
    MakePlayer();
    QAction* listen =
        AddAction(ID_LISTEN, QStringLiteral("Listen"),
                  QStringLiteral("Plays the measured station's programme (stereo decoded, "
                                 "de-emphasised) through the audio output"));
    listen->setCheckable(true);
    connect(listen, &QAction::toggled, this, [this](bool on) { OnListen(on); });
    if (auto* data = qobject_cast<CDataView*>(m_pView->GetItemView(ITEM_DATA))) {
        if (auto* page = qobject_cast<CStereoAudioView*>(data->GetMeasurementView(PAGE_STEREO))) {
            page->SetListenAction(listen);
        }
    }
}

// The player of the shown station's programme.
void CMainFrame::MakePlayer() {
    m_pPlayer = std::make_unique<CProgrammePlayer>(m_pDoc->GetMpxLevels());
    connect(m_pPlayer.get(), &CProgrammePlayer::Failed, this,
            [this](const QString& why) { EndListening(why); });
}

void CMainFrame::OnListen(bool on) {
    if (!on) {
        m_pPlayer->Stop();
        statusBar()->clearMessage();
        return;
    }
    const QString fault = m_pPlayer->Start(QMediaDevices::defaultAudioOutput());
    if (!fault.isEmpty()) {
        EndListening(fault);
    } else {
        statusBar()->showMessage(QStringLiteral("Listening"), CGuiPrompt::kNoticeMs);
    }
}

// The action unchecks itself (its buttons follow) and the status bar says why; measuring goes
// on untouched.
void CMainFrame::EndListening(const QString& why) {
    GetAction(ID_LISTEN)->setChecked(false);  // OnListen(false): already stopped
    statusBar()->showMessage(why, CGuiPrompt::kNoticeMs);
}

}  // namespace tavik

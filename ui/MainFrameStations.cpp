// Several stations of one receiver in the window: a main view per station in the stations view,
// and the frame following the station shown.
#include <algorithm>
#include <tuple>

#include <QAction>

#include "document/TAVIKSDIDoc.h"
#include "ui/CommandIds.h"
#include "ui/DataView.h"
#include "ui/DocumentCommands.h"
#include "ui/ItemPages.h"
#include "ui/MainFrame.h"
#include "ui/ProgrammePlayer.h"
#include "ui/ProtocolView.h"
#include "ui/SettingsView.h"
#include "ui/StationsView.h"
#include "ui/StereoAudioView.h"
#include "ui/TAVIKSDIView.h"
#include "ui/WindowEvidence.h"

namespace tavik {

void CMainFrame::SetStations(const std::vector<SStationDocument>& stations,
                             const SItemViewFactories& views) {
    if (stations.size() < 2 || m_pStations != nullptr) {
        return;
    }
    takeCentralWidget();  // the first station's view goes into the stack
    std::vector<CStationsView::SStation> pages{{m_pDoc, stations.front().pWindow, m_pView}};
    for (std::size_t i = 1; i < stations.size(); ++i) {
        CTAVIKSDIDoc& doc = *stations[i].pDoc;
        auto* view = new CTAVIKSDIView(doc, *stations[i].pWindow, *this, nullptr, views);
        view->OnInitialUpdate();
        // Its own evidence clips, with the first station's setting, and the one Listen action.
        auto evidence = std::make_unique<CWindowEvidence>(doc);
        evidence->SetSettings(m_pEvidence->GetSettings(), false);
        if (auto* protocol = qobject_cast<CProtocolView*>(view->GetItemView(ITEM_PROTOCOL))) {
            protocol->SetEvidence(evidence.get());
        }
        m_stationEvidence.push_back(std::move(evidence));
        if (auto* data = qobject_cast<CDataView*>(view->GetItemView(ITEM_DATA))) {
            if (auto* page =
                    qobject_cast<CStereoAudioView*>(data->GetMeasurementView(PAGE_STEREO))) {
                page->SetListenAction(GetAction(ID_LISTEN));
            }
        }
        pages.push_back({&doc, stations[i].pWindow, view});
    }
    m_pStations = new CStationsView(
        pages, [this](int index) { OnStationShown(index); }, this);
    setCentralWidget(m_pStations);
    // The setups are the command line's, the receiver is shared: those commands are off.
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_OPEN_RECORDINGS,
                   ID_CHOOSE_RECEIVER}) {
        GetAction(id)->setEnabled(false);
    }
    for (QAction* recent : m_recentActions) {
        recent->setEnabled(false);
    }
    // Ctrl+PgUp and Ctrl+PgDown go through the stations from any page.
    for (const auto& [command, key, step] : {std::tuple{ID_STATION_PREVIOUS, Qt::Key_PageUp, -1},
                                             std::tuple{ID_STATION_NEXT, Qt::Key_PageDown, 1}}) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(Qt::CTRL | key));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, step = step] {
            m_pStations->Show(
                std::clamp(m_pStations->GetShown() + step, 0, m_pStations->Count() - 1));
        });
        addAction(action);
        m_actions[command] = action;
    }
}

bool CMainFrame::SaveModifiedStations() {
    if (m_pStations == nullptr) {
        return m_pDocumentCommands->SaveModified();
    }
    // Every station's setup may have been changed on its pages: each is asked about, by name.
    for (CTAVIKSDIDoc* doc : GetDocuments()) {
        CDocumentCommands commands(*doc, *m_pRecentFiles, this);
        commands.SetStation(
            QStringLiteral("%1 MHz").arg(static_cast<double>(doc->GetTunerFrequency()), 0, 'f', 3));
        if (!commands.SaveModified()) {
            return false;
        }
    }
    return true;
}

void CMainFrame::MarkStations() {
    std::vector<float> megahertz;
    for (const CTAVIKSDIDoc* doc : GetDocuments()) {
        megahertz.push_back(doc->GetTunerFrequency());
    }
    for (int i = 0; m_pStations != nullptr && i < m_pStations->Count(); ++i) {
        if (auto* settings =
                qobject_cast<CSettingsView*>(m_pStations->GetView(i).GetItemView(ITEM_SETTINGS))) {
            settings->SetStationMarks(megahertz, i);
        }
    }
}

std::vector<CTAVIKSDIDoc*> CMainFrame::GetDocuments() const {
    if (m_pStations == nullptr) {
        return {m_pDoc};
    }
    std::vector<CTAVIKSDIDoc*> documents;
    for (int i = 0; i < m_pStations->Count(); ++i) {
        documents.push_back(&m_pStations->GetDocument(i));
    }
    return documents;
}

void CMainFrame::OnStationShown(int index) {
    GetAction(ID_LISTEN)->setChecked(false);  // the programme heard is the station shown
    m_pDoc = &m_pStations->GetDocument(index);
    m_pView = &m_pStations->GetView(index);
    MakePlayer();
    m_pView->ShowFrameState();
}

}  // namespace tavik

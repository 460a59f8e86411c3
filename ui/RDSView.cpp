#include "ui/RDSView.h"

#include <QLabel>
#include <QListWidget>

#include "document/Hints.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/AnalyserResult.h"
#include "rds/RDSCharacterSet.h"
#include "rds/RDSSnapshot.h"

namespace tavik {

namespace {

// The radio text a station sends after a reset of its text.
constexpr const char* kClearMarker = "&& Clear Radio Text Field &&";

// A text of the RDS basic code table (PS, PTYN, radio text).
QString FromRDS(const std::string& bytes) {
    return QString::fromStdString(CRDSCharacterSet::ToUtf8(bytes));
}

// A text the decoder composed itself (tables, numbers, dates).
QString FromText(const std::string& text) {
    return QString::fromStdString(text);
}

const QColor kBlue(0, 0, 255);
const QColor kGrey(160, 160, 160);

}  // namespace

CRDSView::CRDSView(CTAVIKSDIDoc& doc, QWidget* parent) : CMeasurementView(doc, parent, kRefreshMs) {
    CreateForm();
}

CRDSView::~CRDSView() = default;

void CRDSView::OnResult(const CAnalyserResult& result) {
    if (const CRDSSnapshot* rds = result.Get<EResultCode::RdsData>()) {
        UpdateFromWorker(*rds);
    }
}

void CRDSView::UpdateFromWorker(const CRDSSnapshot& snapshot) {
    const CRDSData& data = snapshot.m_data;
    if (data.m_strPI != m_strPreviousPI) {
        m_pHistory->clear();  // a new station
    }

    m_texts[AF] = FromText(data.m_strAF);
    m_texts[AREA] = FromText(data.m_strAreaCoverage);
    m_texts[COUNTRY] = FromText(data.m_strCountry);
    m_texts[DATE] = FromText(data.m_strDate);
    m_texts[EON_AF] = FromText(data.m_strEonAF);
    m_texts[EON_PS] = FromRDS(data.m_strEonPS);
    m_texts[EON_TA] = FromText(data.m_strEonTAIndicator);
    m_texts[EON_TP] = FromText(data.m_strEonTPIndicator);
    const bool eon = !data.m_strEonPS.empty();
    m_texts[EON_PTY] = eon ? FromText(data.m_strEonPTY) : QString();
    m_texts[EON_PI] = eon ? FromText(data.m_strEonPI) : QString();
    m_texts[EON_AREA] = eon ? FromText(data.m_strEonAreaCoverage) : QString();
    m_texts[EON_COUNTRY] = eon ? FromText(data.m_strEonCountry) : QString();

    SetBitErrorRate(snapshot.m_dBitErrorRate, snapshot.m_bSettled);

    m_texts[LANGUAGE] = FromText(data.m_strLanguage);
    m_texts[MUSIC_SPEECH] = FromText(data.m_strMusicSpeech);
    m_texts[PTY] = FromText(data.m_strPTY);
    m_texts[PTYN] = FromRDS(data.m_strPTYN);
    m_texts[PIN] = FromText(data.m_strPIN);
    m_texts[TA_INDICATOR] = FromText(data.m_strTAIndicator);
    m_texts[TA_TEXT] = FromText(data.m_strTAText);
    m_texts[TIME] = FromText(data.m_strTime);
    m_texts[TP_INDICATOR] = FromText(data.m_strTPIndicator);
    m_texts[TP_TEXT] = FromText(data.m_strTPText);
    m_texts[PS] = FromRDS(data.m_strPS);
    m_texts[PI] = FromText(data.m_strPI);

    if (data.m_strRadioText.size() >= kRadioTextCells) {
        for (int i = 0; i < kRadioTextCells; ++i) {
            m_cellTexts[i] = FromRDS(data.m_strRadioText.substr(i, 1));
        }
    }
    if (data.m_bRadioTextComplete) {
        // As an engineer reads it: without the end mark and the padding. After a reset the
        // flag stays while the text is empty, which is no line.
        std::string text = data.m_strLastRadioText;
        text.erase(text.find_last_not_of(" \r") + 1);
        if (!text.empty()) {
            AddHistoryLine(FromRDS(text));
        }
    }
    m_bDirty = true;
    if (data.m_strRadioText == kClearMarker) {
        ClearDisplay();
    }
    m_strPreviousPI = data.m_strPI;
}

// The newest completed text goes on top unless it is already there; at most 20 lines.
void CRDSView::AddHistoryLine(const QString& text) {
    const QListWidgetItem* first = m_pHistory->item(0);
    if (first != nullptr && first->text() == text) {
        return;
    }
    m_pHistory->insertItem(0, text);
    while (m_pHistory->count() > kHistoryLines) {
        delete m_pHistory->takeItem(kHistoryLines);
    }
}

void CRDSView::SetBitErrorRate(double percent, bool settled) {
    m_bSettled = settled;
    m_strBitErrorRate = QString::asprintf("%.3f%%", percent);
    if (!settled) {
        m_strBitErrorRate += QStringLiteral(" settling process");
    }
}

void CRDSView::ClearDisplay() {
    GetDocument().ResetRDS();
    m_pHistory->clear();
    for (QString& text : m_texts) {
        text.clear();
    }
    for (QString& cell : m_cellTexts) {
        cell.clear();
    }
    RefreshControls();
}

void CRDSView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    if (hint != HINT_MEASUREMENT_RESET) {
        return;
    }
    GetDocument().GetRDSWorker().ResetSettling();
    m_bSettled = false;
    ClearDisplay();
    m_strBitErrorRate.clear();
    m_strPreviousPI.clear();
    RefreshControls();
}

void CRDSView::RefreshControls() {
    m_bDirty = false;
    for (int i = 0; i < FIELD_COUNT; ++i) {
        m_fields[i]->setText(m_texts[i]);
    }
    QString line;
    for (int i = 0; i < kRadioTextCells; ++i) {
        m_cells[i]->setText(m_cellTexts[i]);
        line += m_cellTexts[i].isEmpty() ? QStringLiteral(" ") : m_cellTexts[i];
    }
    m_pRadioTextLine->setText(line.trimmed());
    m_pBitErrorRate->setText(m_strBitErrorRate);
    if (m_bShownSettled != m_bSettled) {
        m_bShownSettled = m_bSettled;
        const QColor color = BitErrorRateColor();
        m_pBitErrorRate->setStyleSheet(
            QStringLiteral(
                "QLabel { color: rgb(%1, %2, %3); background-color: rgb(230, 230, 230); }")
                .arg(color.red())
                .arg(color.green())
                .arg(color.blue()));
    }
}

void CRDSView::OnRefresh() {
    if (m_bDirty) {
        RefreshControls();
    }
}

QString CRDSView::CellText(int index) const {
    return m_cells.at(index)->text();
}

QColor CRDSView::BitErrorRateColor() const {
    return m_bSettled ? kBlue : kGrey;
}

}  // namespace tavik

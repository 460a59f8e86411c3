// The alarm form: reading and checking its fields, New, Update and Delete, loading a clicked
// row, and the check boxes that switch alarms on and off.
#include <algorithm>
#include <set>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "document/SetupRules.h"
#include "document/TAVIKSDIDoc.h"
#include "ui/AlarmView.h"

namespace tavik {

bool CAlarmView::ReadAlarmForm(SForm& form) {
    bool ok = false;
    const int delay = m_pDelay->text().trimmed().toInt(&ok);
    if (!ok) {
        Message("Please enter an integer.", MB_ICONEXCLAMATION);
        m_pDelay->setFocus();
        return false;
    }
    const bool change = CAlarmItem::IsChangeSource(m_pSource->currentIndex());
    // A change uses no threshold: whatever the disabled field holds is stored as 0.
    const double threshold = change ? 0.0 : m_pThreshold->text().trimmed().toDouble(&ok);
    if (!change && !ok) {
        Message("Please enter a number.", MB_ICONEXCLAMATION);
        m_pThreshold->setFocus();
        return false;
    }
    form.strName = m_pName->text().toStdString();
    form.nAction = m_pAction->currentIndex();
    form.nDelay = delay;
    form.nSource = m_pSource->currentIndex();
    form.nRelation = m_pRelation->currentIndex();
    form.dThreshold = threshold;
    form.fThreshold = static_cast<float>(threshold);
    form.nAcknowledge = m_pAcknowledge->currentIndex();
    return ValidateAlarmForm(form);
}

bool CAlarmView::ValidateAlarmForm(const SForm& form) {
    if (form.strName.empty()) {
        Message("Please enter a name.", MB_OK);
        return false;
    }
    // The rules `setup write` obeys: a negative threshold, "nan", "inf" and values beyond
    // what the chosen source measures are refused, the latter with the source's range.
    if (const std::string fault = setup_rules::CheckThreshold(form.nSource, form.dThreshold);
        !fault.empty()) {
        Message(fault.c_str(), MB_OK);
        return false;
    }
    if (form.nDelay < 0) {
        Message("Please enter a delay greater than\nor equal to zero.", MB_OK);
        return false;
    }
    return true;
}

namespace {

std::unique_ptr<CAlarmItem> BuildItem(const std::string& name, int source, int relation,
                                      float threshold, int action, int delay, int acknowledge) {
    return std::make_unique<CAlarmItem>(name, source, relation, threshold, action,
                                        COleDateTimeSpan(0, 0, 0, delay), acknowledge);
}

}  // namespace

void CAlarmView::OnNewAlarm() {
    SForm form;
    if (!ReadAlarmForm(form)) {
        return;
    }
    if (FindRow(form.strName) >= 0) {
        Message("Press Update if you have changed\nan existing alarm.", MB_OK);
        return;
    }
    GetDocument().SetAlarm(form.strName,
                           BuildItem(form.strName, form.nSource, form.nRelation, form.fThreshold,
                                     form.nAction, form.nDelay, form.nAcknowledge));
    GetDocument().UpdateAllViews(nullptr, HINT_ALARM_LIST);
}

void CAlarmView::OnUpdateAlarm() {
    SForm form;
    if (!ReadAlarmForm(form)) {
        return;
    }
    // A row whose name matches only when letter case is ignored holds no alarm under this
    // exact name: that is a changed name as well.
    const CAlarmItem* stored =
        FindRow(form.strName) >= 0 ? GetDocument().GetAlarms().Lookup(form.strName) : nullptr;
    if (stored == nullptr) {
        Message("Press New if you have changed the name.", MB_OK);
        return;
    }
    if (stored->m_bEnabled) {
        Message("Disable alarm before you press Update", MB_OK);
        return;
    }
    GetDocument().SetAlarm(form.strName,
                           BuildItem(form.strName, form.nSource, form.nRelation, form.fThreshold,
                                     form.nAction, form.nDelay, form.nAcknowledge));
    GetDocument().UpdateAllViews(nullptr, HINT_ALARM_LIST);
}

void CAlarmView::OnDeleteAlarm() {
    std::set<int> rows;
    for (const QModelIndex& index : m_pList->selectionModel()->selectedRows()) {
        rows.insert(index.row());
    }
    if (rows.empty()) {
        Message("Nothing selected for deleting.", MB_OK);
        return;
    }
    // The rows stay in the list until it is rebuilt at the end, so their indices hold.
    for (const int row : rows) {
        const std::string name = RowName(row);
        const CAlarmItem* item = GetDocument().GetAlarms().Lookup(name);
        if (item == nullptr) {
            Message("Error while deleting alarms.", MB_ICONEXCLAMATION);
            break;
        }
        if (item->m_bEnabled) {
            Message("Disable alarm before you press Delete", MB_OK);
            continue;
        }
        GetDocument().RemoveAlarm(name);
    }
    GetDocument().UpdateAllViews(nullptr, HINT_ALARM_LIST);
}

void CAlarmView::OnRowClicked(int row) {
    if (row < 0) {
        return;
    }
    if (const CAlarmItem* item = GetDocument().GetAlarms().Lookup(RowName(row))) {
        LoadForm(*item);
    }
}

void CAlarmView::LoadForm(const CAlarmItem& item) {
    m_pName->setText(QString::fromStdString(item.m_strName));
    m_pSource->setCurrentIndex(item.m_nSource);
    m_pRelation->setCurrentIndex(item.m_nRelation);
    m_pThreshold->setText(QString::number(static_cast<double>(item.m_fThreshold)));
    m_pAction->setCurrentIndex(item.m_nAction);
    m_pDelay->setText(QString::number(item.m_spanDelay.GetTotalSeconds()));
    m_pAcknowledge->setCurrentIndex(item.m_nAcknowledge);
    OnSourceChanged(item.m_nSource);
}

void CAlarmView::OnSourceChanged(int source) {
    m_pUnit->setText(QString::fromLatin1(CAlarmItem::GetUnitText(source)));
    // A change fires by itself: relation and threshold do not apply.
    const bool change = CAlarmItem::IsChangeSource(source);
    m_pRelation->setEnabled(!change);
    m_pThreshold->setEnabled(!change);
    const char* note = "";
    if (source == ALARM_SOURCE_CARRIER_NOISE) {
        note = "C/N needs a live receiver: with recordings this alarm never fires.";
    } else if (change) {
        note = "Fires on any change of the confirmed value; no threshold.";
    }
    m_pSourceNote->setText(QString::fromLatin1(note));
}

void CAlarmView::OnItemChanged(QTableWidgetItem* cell) {
    if (m_bFilling || cell->column() != 0) {
        return;
    }
    const std::string name = cell->text().toStdString();
    const CAlarmItem* item = GetDocument().GetAlarms().Lookup(name);
    if (item == nullptr) {
        return;
    }
    const bool checked = cell->checkState() == Qt::Checked;
    const bool wasChecked = item->m_bEnabled && !item->m_bResetRequested;
    if (checked != wasChecked) {
        GetDocument().SetAlarmChecked(name, checked);
    }
}

}  // namespace tavik

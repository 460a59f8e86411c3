#pragma once

#include <string>

#include <QString>

#include "ui/ItemView.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace tavik {

class CAlarmItem;

// The "Alarm Settings" page: the form that defines alarms (New, Update, Delete), the list of
// saved alarms with one check box per alarm (its enabled switch), rows of active alarms in light
// red, and the alarm log. It keeps no alarm state of its own: the list follows the document's
// alarm set on HINT_ALARM_LIST, the check boxes drive the document's alarm operations.
// User-interface thread.
class CAlarmView final : public CItemView {
    Q_OBJECT

public:
    static constexpr int kNameLength = 20;
    static constexpr int kListTop = 155;
    static constexpr int kGroupTop = 35;
    static constexpr int kLogHeight = 80;
    static constexpr int kGap = 5;
    // Lines the log holds before the oldest ones make room (a list box's item limit).
    static constexpr int kLogCapacity = 32767;
    static constexpr unsigned kActiveRowColour = 0x8080FF;  // COLORREF (0x00BBGGRR): light red

    explicit CAlarmView(CTAVIKSDIDoc& doc, QWidget* parent);

    void OnUpdate(CView* sender, long hint, void* object) override;

    // Appends "<local date and time by %c>   <text>" to the log.
    void AddLogLine(const std::string& text);
    void SetLogCapacity(int lines) { m_nLogCapacity = lines; }

    void OnNewAlarm();
    void OnUpdateAlarm();
    void OnDeleteAlarm();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The form's fields, read as dialog data exchange reads them.
    struct SForm {
        std::string strName;
        int nAction = 0;
        int nDelay = 0;
        int nSource = 0;
        int nRelation = 0;
        float fThreshold = 0.0f;
        double dThreshold = 0.0;  // as entered, before the store in single precision
        int nAcknowledge = 0;
    };

    void CreateForm();
    void CreateLists();
    // Reads and checks the form; false (after a message box) when a field is unusable.
    bool ReadAlarmForm(SForm& form);
    bool ValidateAlarmForm(const SForm& form);
    void LoadForm(const CAlarmItem& item);
    // The row whose name equals `name` ignoring letter case, or -1.
    int FindRow(const std::string& name) const;
    std::string RowName(int row) const;
    void FillList();
    void ColourRows();
    void SetRowChecked(int row, bool checked);
    void OnRowClicked(int row);
    void OnItemChanged(QTableWidgetItem* item);
    void OnSourceChanged(int source);
    void OnAlarmState(const CAlarmItem& item);
    void OnAlarmPrompt(const CAlarmItem& item);
    void OnMeasurementStopped();
    int Message(const char* text, unsigned style);

    QGroupBox* m_pGroup = nullptr;
    QLineEdit* m_pName = nullptr;
    QComboBox* m_pAction = nullptr;
    QLineEdit* m_pDelay = nullptr;
    QComboBox* m_pSource = nullptr;
    QComboBox* m_pRelation = nullptr;
    QLineEdit* m_pThreshold = nullptr;
    QLabel* m_pUnit = nullptr;
    QLabel* m_pSourceNote = nullptr;  // what the chosen source needs, where it needs more
    QComboBox* m_pAcknowledge = nullptr;
    QLabel* m_pSavedCaption = nullptr;
    QTableWidget* m_pList = nullptr;
    QPushButton* m_pNew = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pUpdate = nullptr;
    QLabel* m_pLogCaption = nullptr;
    QListWidget* m_pLog = nullptr;
    bool m_bFilling = false;  // the list is being rebuilt: check changes are not the user's
    int m_nLogCapacity = kLogCapacity;
};

}  // namespace tavik

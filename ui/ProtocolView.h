#pragma once

#include <array>

#include <QString>

#include "document/ProtocolHeader.h"
#include "ui/ItemView.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QLabel;

namespace tavik {

class CWindowEvidence;

// The "Protocol Settings" page: operator and organisation, the two antennae, the location and
// comment of the measurement, and result logging (results folder, "Browse", "Enable Logging").
// It keeps its own copy of the protocol record: names take effect when their edit loses the
// focus, the other fields when the page is left. User-interface thread.
class CProtocolView final : public CItemView {
    Q_OBJECT

public:
    CProtocolView(CTAVIKSDIDoc& doc, QWidget* parent);

    void OnUpdate(CView* sender, long hint, void* object) override;

    void OnBrowse();
    void OnEnableLogging();
    // Leaving the page: the antennae, location and comment go back to the document.
    void OnDeactivate();
    bool IsModified() const { return m_bModified; }
    // The evidence clips setting beside "Enable Logging" shows and edits `evidence` (the
    // window's); without it the setting is hidden.
    void SetEvidence(CWindowEvidence* evidence);

protected:
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateOperatorGroup();
    void CreateAntennaGroup();
    void CreateResultsGroup();
    void CreateEvidenceSetting(QWidget* group);
    std::array<QWidget*, 4> EvidenceWidgets() const;
    void LoadFields();
    void OnNameEdited(CProtocolHeader::StringField field, const QLineEdit* edit);
    // The folder edit and "Browse" are usable only while logging is off and nothing runs.
    void ApplyLoggingRule();
    void ShowLogFolder();
    // The "Enable Logging" box as the document's logging is switched.
    void ShowLoggingSwitch();

    CProtocolHeader m_header;
    bool m_bModified = false;
    bool m_bMeasuring = false;
    QGroupBox* m_pOperatorGroup = nullptr;
    QGroupBox* m_pAntennaGroup = nullptr;
    QGroupBox* m_pResultsGroup = nullptr;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pOrganisation = nullptr;
    QComboBox* m_pTypeA = nullptr;
    QComboBox* m_pPolarisationA = nullptr;
    QComboBox* m_pHeightA = nullptr;
    QComboBox* m_pTypeB = nullptr;
    QComboBox* m_pPolarisationB = nullptr;
    QComboBox* m_pHeightB = nullptr;
    QLineEdit* m_pLocation = nullptr;
    QLineEdit* m_pFolder = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QCheckBox* m_pEnableLogging = nullptr;
    QLineEdit* m_pComment = nullptr;
    CWindowEvidence* m_pEvidence = nullptr;
    QLabel* m_pEvidenceCaption = nullptr;
    QSpinBox* m_pEvidenceSeconds = nullptr;
    QLabel* m_pEvidenceCapCaption = nullptr;
    QSpinBox* m_pEvidenceMaxMb = nullptr;
};

}  // namespace tavik

#pragma once

#include <array>
#include <initializer_list>
#include <optional>
#include <string>

#include <QColor>

#include "ui/MeasurementView.h"

class QGroupBox;
class QLabel;
class QListWidget;

namespace tavik {

struct CRDSSnapshot;

// The RDS page: the decoded data of the station and of one other network, the 64 radio-text
// cells with the history of completed radio texts, and the bit error rate. Every text comes
// ready-made in the worker's snapshot; RDS text bytes are shown through the RDS character
// table.
class CRDSView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;
    static constexpr int kRadioTextCells = 64;
    static constexpr int kHistoryLines = 20;

    CRDSView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CRDSView() override;

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    void UpdateFromWorker(const CRDSSnapshot& snapshot);
    // Resets the document's RDS and empties every field, the cells and the history.
    void ClearDisplay();
    // Shows the fields, cells and bit error rate in their controls (the refresh tick does it
    // when something changed).
    void RefreshControls();

    // The shown text of a field by its record name ("m_strPS", ...).
    QString FieldText(const char* name) const;
    QString CellText(int index) const;
    const QListWidget& GetHistory() const { return *m_pHistory; }
    const QLabel& GetBitErrorRate() const { return *m_pBitErrorRate; }
    // Grey while the decoder settles, blue once settled.
    QColor BitErrorRateColor() const;

protected:
    void OnRefresh() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum Field : int {
        PS,
        COUNTRY,
        AREA,
        PI,
        MUSIC_SPEECH,
        PTY,
        PTYN,
        PIN,
        LANGUAGE,
        DATE,
        TIME,
        TP_INDICATOR,
        TP_TEXT,
        TA_INDICATOR,
        TA_TEXT,
        AF,
        EON_PS,
        EON_PI,
        EON_AREA,
        EON_COUNTRY,
        EON_TP,
        EON_TA,
        EON_PTY,
        EON_AF,
        FIELD_COUNT
    };
    enum Box : int {
        STATION,
        PROGRAMME,
        DATE_TIME,
        TRAFFIC,
        FREQUENCIES,
        RADIO_TEXT,
        EON,
        BER,
        BOX_COUNT
    };

    void CreateForm();
    QGroupBox* CreateBox(Box box, const char* title);
    QLabel* AddRow(Box box, int row, const char* label, std::initializer_list<Field> fields,
                   bool wideLabel = false);
    void CreateRadioTextBox();
    void LayOut();
    void LayOutRadioText();
    void FitLongLabels();
    void SetBitErrorRate(double percent, bool settled);
    void AddHistoryLine(const QString& text);

    std::array<QLabel*, FIELD_COUNT> m_fields{};
    std::array<QGroupBox*, BOX_COUNT> m_boxes{};
    std::array<QLabel*, kRadioTextCells> m_cells{};
    std::array<QString, FIELD_COUNT> m_texts;
    std::array<QString, kRadioTextCells> m_cellTexts;
    QLabel* m_pRadioTextLine = nullptr;  // the same text when the cells are too narrow to read
    QListWidget* m_pHistory = nullptr;
    QLabel* m_pBitErrorRate = nullptr;
    QLabel* m_pPSLabel = nullptr;
    QLabel* m_pPTYNLabel = nullptr;
    QString m_strBitErrorRate;
    std::string m_strPreviousPI;
    bool m_bSettled = false;
    std::optional<bool> m_bShownSettled;  // the colour the value is drawn in
    bool m_bDirty = false;
};

}  // namespace tavik

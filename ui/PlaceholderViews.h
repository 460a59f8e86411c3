#pragma once

#include <optional>

#include <QString>
#include <QWidget>

#include "ui/ItemView.h"
#include "ui/MeasurementView.h"

namespace tavik {

// Pages that are not built yet. Each says what will be shown there; the measurement page also
// counts the results routed to it, so that a running measurement is visibly arriving.

class CPlaceholderItemView final : public CItemView {
    Q_OBJECT

public:
    CPlaceholderItemView(CTAVIKSDIDoc& doc, QWidget* parent, const QString& title,
                         const QString& description);

protected:
    void PaintPage(QPainter& painter) override;

private:
    QString m_strDescription;
};

class CPlaceholderMeasurementView final : public CMeasurementView {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 1000;

    CPlaceholderMeasurementView(CTAVIKSDIDoc& doc, QWidget* parent, const QString& description);

    void OnResult(const CAnalyserResult& result) override;
    void OnUpdate(CView* sender, long hint, void* object) override;

    long long GetResultCount() const { return m_nResults; }
    int GetLastCode() const { return m_nLastCode; }
    // The last single value (codes 4, 6, 12), if the last result carried one.
    std::optional<float> GetLastValue() const { return m_lastValue; }

protected:
    void OnRefresh() override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_strDescription;
    long long m_nResults = 0;
    int m_nLastCode = 0;
    std::optional<float> m_lastValue;
    bool m_bDirty = false;
};

// The protocol header strip until its view exists.
class CPlaceholderHeaderView final : public QWidget {
    Q_OBJECT

public:
    explicit CPlaceholderHeaderView(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tavik

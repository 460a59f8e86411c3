#pragma once

#include <vector>

#include <QString>
#include <QWidget>

namespace tavik {

// What the station list shows of one station, as texts.
struct SStationRow {
    QString strFrequency;  // "98.100"
    QString strPS;         // the decoded station name, "???" before one came
    QString strDeviation;  // "74.5 kHz": the peak of the last second, "--- kHz" without one
    QString strPower;      // "-1.23 dBr": the MPX power of the last second, "--- dBr" without one
    QString strState;      // "OK", "ALARM", "NO SIGNAL", "STOPPED"

    bool operator==(const SStationRow&) const = default;
};

// The stations of one receiver, one entry each (frequency and state, station name, deviation
// peak and MPX power on three lines), in the order given. A click or Up, Down, Home and End
// choose a station: it is marked and StationChosen tells of it.
class CStationList final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFontPixels = 11;
    static constexpr int kPadding = 2;

    explicit CStationList(QWidget* parent = nullptr);

    void SetRows(std::vector<SStationRow> rows);
    const std::vector<SStationRow>& GetRows() const { return m_rows; }
    int GetCurrent() const { return m_nCurrent; }
    // Marks `index` (without telling); out of range: nothing changes.
    void SetCurrent(int index);
    int RowHeight() const;
    // The row at a point of the list, or -1.
    int RowAt(const QPoint& point) const;
    QSize sizeHint() const override;

signals:
    void StationChosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose(int index);

    std::vector<SStationRow> m_rows;
    int m_nCurrent = 0;
};

}  // namespace tavik

#pragma once

#include <array>

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

namespace tavik {

// Horizontal programme-peak bars on one dB scale (-40 to +3 dB of full modulation, 0 dB marked),
// one row per channel with its name on the left, its reading on the right and a peak-hold mark.
// A level below the scale leaves the bar empty, one above it fills it. Drawn flicker-free
// through CMemDC; user-interface thread.
class CPpmMeter final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kChannels = 4;
    static constexpr float kMinDb = -40.0f;
    static constexpr float kMaxDb = 3.0f;
    static constexpr float kAmberDb = -6.0f;  // bars turn amber from here, red above 0 dB
    // The labelled scale marks, dB.
    static constexpr std::array<int, 9> kScaleMarks = {-40, -30, -20, -15, -10, -6, -3, 0, 3};
    static constexpr int kNameWidth = 24;   // channel name column, px
    static constexpr int kValueWidth = 70;  // reading column, px
    static constexpr int kScaleHeight = 18;
    static constexpr int kMargin = 6;
    static constexpr int kMaxBarHeight = 40;

    struct SChannel {
        QString strName;
        float fLevelDb = kMinDb - 1.0f;  // below the scale: empty bar
        float fHoldDb = kMinDb - 1.0f;   // below the scale: no hold mark
        bool bValid = false;             // false: empty bar, no mark, "—" as the reading
    };

    // Where each part goes in a meter of `size`.
    struct SLayout {
        std::array<QRect, kChannels> bars;
        QRect scale;  // the strip of scale labels above the bars, as wide as the bars
    };
    static SLayout Layout(const QSize& size);
    // The x coordinate where the lit part of `bar` ends for `db`: bar.left() at or below the
    // scale's bottom (and for NaN), bar.left() + bar.width() at or above its top, linear between.
    static int LevelX(const QRect& bar, float db);
    // The reading beside a bar: "-12.3 dB", "—" without a reading.
    static QString ReadingText(const SChannel& channel);

    explicit CPpmMeter(QWidget* parent = nullptr);

    void SetChannel(int index, const SChannel& channel);
    const SChannel& GetChannel(int index) const { return m_channels.at(index); }
    // Empties every bar (no reading).
    void Clear();

    QSize sizeHint() const override { return {360, 150}; }
    QSize minimumSizeHint() const override { return {220, 110}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintScale(QPainter& painter, const SLayout& layout) const;
    void PaintBar(QPainter& painter, const QRect& bar, const SChannel& channel) const;

    std::array<SChannel, kChannels> m_channels;
    QImage m_buffer;  // CMemDC's image, kept between frames
};

}  // namespace tavik

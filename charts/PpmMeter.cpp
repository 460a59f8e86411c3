#include "charts/PpmMeter.h"

#include <algorithm>
#include <cmath>

#include <QPaintEvent>
#include <QPainter>

#include "charts/ChartFonts.h"
#include "charts/MemDC.h"

namespace tavik {

namespace {

const QColor kBarBackground(20, 16, 40);
const QColor kGreen(60, 220, 90);
const QColor kAmber(250, 190, 40);
const QColor kRed(245, 60, 50);
const QColor kHold(255, 255, 255);
const QColor kZeroMark(245, 60, 50);
const QColor kScaleMark(110, 110, 130);

}  // namespace

CPpmMeter::CPpmMeter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    Clear();
}

CPpmMeter::SLayout CPpmMeter::Layout(const QSize& size) {
    SLayout layout;
    const int left = kMargin + kNameWidth;
    const int width = std::max(0, size.width() - left - kValueWidth - kMargin);
    const int top = kMargin + kScaleHeight;
    const int rows = std::max(0, size.height() - top - kMargin);
    const int pitch = rows / kChannels;
    const int height = std::clamp(pitch * 2 / 3, 0, kMaxBarHeight);
    layout.scale = QRect(left, kMargin, width, kScaleHeight);
    for (int i = 0; i < kChannels; ++i) {
        layout.bars[static_cast<std::size_t>(i)] =
            QRect(left, top + i * pitch + (pitch - height) / 2, width, height);
    }
    return layout;
}

int CPpmMeter::LevelX(const QRect& bar, float db) {
    if (!(db > kMinDb)) {  // also NaN
        return bar.left();
    }
    const float fraction = std::min((db - kMinDb) / (kMaxDb - kMinDb), 1.0f);
    return bar.left() + static_cast<int>(std::lround(fraction * static_cast<float>(bar.width())));
}

QString CPpmMeter::ReadingText(const SChannel& channel) {
    if (!channel.bValid) {
        return QStringLiteral("\u2014");
    }
    return QString::asprintf("%.1f dB", static_cast<double>(channel.fLevelDb));
}

void CPpmMeter::SetChannel(int index, const SChannel& channel) {
    m_channels.at(static_cast<std::size_t>(index)) = channel;
    update();
}

void CPpmMeter::Clear() {
    static const char* const names[kChannels] = {"L", "R", "M", "S"};
    for (int i = 0; i < kChannels; ++i) {
        m_channels[static_cast<std::size_t>(i)] = SChannel{QString::fromLatin1(names[i])};
    }
    update();
}

void CPpmMeter::paintEvent(QPaintEvent* /*event*/) {
    QPainter target(this);
    CMemDC dc(&target, rect(), m_buffer);
    QPainter& painter = dc.Painter();
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setFont(MakeChartFont(QStringLiteral("Arial"), 12, 400));
    const SLayout layout = Layout(size());
    PaintScale(painter, layout);
    for (int i = 0; i < kChannels; ++i) {
        const QRect& bar = layout.bars[static_cast<std::size_t>(i)];
        const SChannel& channel = m_channels[static_cast<std::size_t>(i)];
        PaintBar(painter, bar, channel);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(QRect(kMargin, bar.top(), kNameWidth - 4, bar.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, channel.strName);
        painter.setPen(QColor(0, 0, 255));
        painter.drawText(QRect(bar.right() + 1, bar.top(), kValueWidth, bar.height()),
                         Qt::AlignRight | Qt::AlignVCenter, ReadingText(channel));
    }
}

// Labels above the bars and a tick for each through all rows; the 0 dB tick red and wider.
void CPpmMeter::PaintScale(QPainter& painter, const SLayout& layout) const {
    const QRect& first = layout.bars.front();
    const QRect& last = layout.bars.back();
    for (const int mark : kScaleMarks) {
        const int x = LevelX(layout.scale, static_cast<float>(mark));
        const QString label = mark > 0 ? QStringLiteral("+%1").arg(mark) : QString::number(mark);
        painter.setPen(mark == 0 ? kZeroMark : palette().color(QPalette::ButtonText));
        painter.drawText(QRect(x - 20, layout.scale.top(), 40, layout.scale.height()),
                         Qt::AlignHCenter | Qt::AlignVCenter, label);
        painter.setPen(QPen(mark == 0 ? kZeroMark : kScaleMark, mark == 0 ? 2 : 1));
        painter.drawLine(x, first.top() - 3, x, last.bottom() + 3);
    }
}

void CPpmMeter::PaintBar(QPainter& painter, const QRect& bar, const SChannel& channel) const {
    painter.fillRect(bar, kBarBackground);
    if (!channel.bValid) {
        return;
    }
    const int end = LevelX(bar, channel.fLevelDb);
    const int amber = LevelX(bar, kAmberDb);
    const int zero = LevelX(bar, 0.0f);
    const auto zone = [&](int from, int to, const QColor& color) {
        if (end > from && to > from) {
            painter.fillRect(QRect(from, bar.top() + 2, std::min(end, to) - from, bar.height() - 4),
                             color);
        }
    };
    zone(bar.left(), amber, kGreen);
    zone(amber, zero, kAmber);
    zone(zero, bar.left() + bar.width(), kRed);
    if (channel.fHoldDb > kMinDb) {
        const int hold = std::min(LevelX(bar, channel.fHoldDb), bar.left() + bar.width() - 2);
        painter.fillRect(QRect(hold, bar.top() + 1, 2, bar.height() - 2), kHold);
    }
}

}  // namespace tavik

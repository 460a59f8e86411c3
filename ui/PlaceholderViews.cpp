#include "ui/PlaceholderViews.h"

#include <QPainter>

#include "document/Hints.h"
#include "ui/AnalyserResult.h"
#include "ui/CaptionBar.h"

namespace tavik {

namespace {

constexpr int kMargin = 12;  // pixels around the text

void DrawNote(QPainter& painter, const QRect& rect, const QString& text, const QPalette& palette) {
    painter.setPen(palette.color(QPalette::WindowText));
    painter.setFont(QFont());
    painter.drawText(rect.adjusted(kMargin, kMargin, -kMargin, -kMargin),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

bool HasSingleValue(int code) {
    return code == 4 || code == 6 || code == 12;
}

}  // namespace

CPlaceholderItemView::CPlaceholderItemView(CTAVIKSDIDoc& doc, QWidget* parent, const QString& title,
                                           const QString& description)
    : CItemView(doc, parent), m_strDescription(description) {
    SetTitle(title);
}

void CPlaceholderItemView::PaintPage(QPainter& painter) {
    DrawNote(painter, rect().adjusted(0, kCaptionHeight, 0, 0), m_strDescription, palette());
}

CPlaceholderMeasurementView::CPlaceholderMeasurementView(CTAVIKSDIDoc& doc, QWidget* parent,
                                                         const QString& description)
    : CMeasurementView(doc, parent, kRefreshMs), m_strDescription(description) {}

void CPlaceholderMeasurementView::OnResult(const CAnalyserResult& result) {
    ++m_nResults;
    m_nLastCode = result.Code();
    m_lastValue = HasSingleValue(m_nLastCode) ? std::optional(result.Value()) : std::nullopt;
    m_bDirty = true;
}

void CPlaceholderMeasurementView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    if (hint == HINT_MEASUREMENT_RESET) {
        m_nResults = 0;
        m_nLastCode = 0;
        m_lastValue.reset();
        m_bDirty = true;
    }
}

void CPlaceholderMeasurementView::OnRefresh() {
    if (m_bDirty) {
        m_bDirty = false;
        update();
    }
}

void CPlaceholderMeasurementView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), ButtonFaceColor(palette()));
    QString text = m_strDescription;
    if (m_nResults > 0) {
        text += QStringLiteral("\n\nResults received: %1 (last: code %2")
                    .arg(m_nResults)
                    .arg(m_nLastCode);
        if (m_lastValue) {
            text += QStringLiteral(", %1").arg(static_cast<double>(*m_lastValue), 0, 'f', 2);
        }
        text += QLatin1Char(')');
    }
    DrawNote(painter, rect(), text, palette());
}

CPlaceholderHeaderView::CPlaceholderHeaderView(QWidget* parent) : QWidget(parent) {}

void CPlaceholderHeaderView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), ButtonFaceColor(palette()));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect().adjusted(kMargin, 0, -kMargin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Carrier frequency, station name, operator, organisation, "
                                    "start time and duration of the measurement will be shown "
                                    "here."));
}

}  // namespace tavik

#include "ui/HeaderView.h"

#include <algorithm>
#include <array>

#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "document/TAVIKSDIDoc.h"
#include "ui/CaptionBar.h"
#include "ui/MeasurementStatus.h"

namespace tavik {

namespace {

constexpr int kGap = 6;
constexpr int kRowHeight = 20;
constexpr int kTop = 4;
constexpr int kIndicatorSize = 32;
constexpr std::array<const char*, 6> kLabels = {
    "CARRIER FREQUENCY:", "PSNS:", "OPERATOR:", "STARTED:", "ORGANIZATION:", "DURATION:"};

QLabel* MakeValue(QWidget* parent, const char* name) {
    auto* label = new QLabel(QStringLiteral("???"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(230, 230, 230));
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    label->setPalette(palette);
    label->setIndent(4);
    return label;
}

// What one column needs in a font: its wider label in bold, and its widest usual value
// with the label's indent; the status column after them has values only.
struct ColumnNeeds {
    std::array<int, 3> labels{};
    std::array<int, 3> values{};
    int status = 0;
    int Total() const {
        int total = status + kGap;
        for (int c = 0; c < 3; ++c) {
            total += labels[c] + values[c] + 3 * kGap;
        }
        return total;
    }
};

ColumnNeeds MeasureColumns(const QFont& font) {
    static const std::array<QString, 3> kWidestValues = {
        QStringLiteral("888.888 MHz"), QStringLiteral("September 30, 2026   23:59:59"),
        QStringLiteral("99 Day(s); 23:59:59")};
    QFont bold = font;
    bold.setBold(true);
    const QFontMetrics labels(bold);
    const QFontMetrics values(font);
    ColumnNeeds needs;
    for (int c = 0; c < 3; ++c) {
        needs.labels[c] =
            std::max(labels.horizontalAdvance(QString::fromLatin1(kLabels[2 * c])),
                     labels.horizontalAdvance(QString::fromLatin1(kLabels[2 * c + 1])));
        needs.values[c] = values.horizontalAdvance(kWidestValues[c]) + 12;
    }
    needs.status = StatusTextWidth(font) + 12;
    return needs;
}

}  // namespace

CHeaderView::CHeaderView(CTAVIKSDIDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    m_pFrequency = MakeValue(this, "frequency");
    m_pFrequency->setText(QStringLiteral("???.??? MHz"));
    m_pPS = MakeValue(this, "ps");
    m_pOperator = MakeValue(this, "operator");
    m_pStarted = MakeValue(this, "started");
    m_pOrganisation = MakeValue(this, "organisation");
    m_pDuration = MakeValue(this, "duration");
    m_pState = MakeValue(this, "state");
    m_pLogging = MakeValue(this, "logging");
    for (QLabel* status : {m_pState, m_pLogging}) {
        status->setAlignment(Qt::AlignCenter);
        status->setIndent(0);
    }
    SetToolTips();
    ShowStatus();
    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &CHeaderView::OnFrame);
    LayOut();
    m_attachment.Attach(doc, this);
}

CHeaderView::~CHeaderView() = default;

// What each field shows and in which unit, for the tool tips.
void CHeaderView::SetToolTips() {
    const struct {
        QLabel* pField;
        const char* strTip;
    } tips[] = {
        {m_pFrequency,
         "Carrier frequency the receiver is tuned to, MHz. Double-click to change it on the "
         "Parameter page"},
        {m_pPS,
         "Programme Service name (PS) the station sends in its RDS, as decoded; empty until "
         "decoded, cut after 8 characters"},
        {m_pOperator, "Operator who carries out the measurement (Protocol page)"},
        {m_pOrganisation, "Organisation the measurement is made for (Protocol page)"},
        {m_pStarted,
         "Local date and time the measurement run was started; a resume after a "
         "pause keeps it"},
        {m_pDuration,
         "Measured time of this run, days and hours:minutes:seconds; paused time does not "
         "count"},
        {m_pState,
         "RUNNING while measuring, PAUSED after Pause (Start resumes the run, Stop "
         "ends it), STOPPED without a run"},
        {m_pLogging,
         "Result logging: LOGGING while each second's record of deviation, MPX power and "
         "multipath goes to the day's XML result file and text log in the results folder; "
         "not logging when switched off (Protocol page, \"Enable Logging\"); NOT LOGGING "
         "when switched on but the files cannot be written"},
    };
    for (const auto& tip : tips) {
        tip.pField->setToolTip(QString::fromLatin1(tip.strTip));
    }
}

QString CHeaderView::FormatFrequency(float megahertz) {
    return QString::asprintf("%#7.3f", static_cast<double>(megahertz)) + QStringLiteral(" MHz");
}

QString CHeaderView::FitPS(const std::string& ps) {
    if (ps.size() > kPSLength) {
        return QString::fromStdString(ps.substr(0, kPSLength) + "...");
    }
    return QString::fromStdString(ps);
}

QString CHeaderView::FitName(const std::string& name) {
    if (name.size() > kNameLength) {
        return QString::fromStdString(name.substr(0, kNameCut) + "...");
    }
    return QString::fromStdString(name);
}

QString CHeaderView::FormatDuration(long long seconds) {
    return QString::asprintf("%lld Day(s); %02lld:%02lld:%02lld", seconds / 86400,
                             seconds / 3600 % 24, seconds / 60 % 60, seconds % 60);
}

void CHeaderView::OnUpdate(CView* /*sender*/, long hint, void* /*object*/) {
    switch (hint) {
        case 0:
            ShowNames();
            ShowFrequency();
            ShowStatus();
            break;
        case HINT_TIMER_TICK: {
            const long long seconds = m_doc.GetElapsed().GetTotalSeconds();
            m_pDuration->setText(FormatDuration(seconds));
            if (seconds % 60 % 5 == 0) {
                PlayAnimation();
            }
            ShowStatus();
            break;
        }
        case HINT_RUN_STARTED:
            OnRunStarted();
            break;
        case HINT_MEASUREMENT_RESET:
            m_bRunOpen = false;
            m_pStarted->clear();
            m_pDuration->clear();
            m_pPS->clear();
            ShowStatus();
            break;
        case HINT_RUN_PAUSED:
        case HINT_MEASUREMENT_STARTED:
        case HINT_MEASUREMENT_STOPPED:
        case HINT_MEASUREMENT_PAUSED:
            ShowStatus();
            break;
        case HINT_PROTOCOL_CHANGED:
            ShowNames();
            ShowStatus();
            break;
        case HINT_FREQUENCY_CHANGED:
            ShowFrequency();
            break;
        case HINT_STATION_NAME:
            m_pPS->setText(FitPS(m_doc.GetPSName()));
            break;
        default:
            break;
    }
}

void CHeaderView::ShowNames() {
    const CProtocolHeader& header = m_doc.GetProtocolHeaderRef();
    m_pOperator->setText(FitName(header.m_strings[CProtocolHeader::OPERATOR]));
    m_pOrganisation->setText(FitName(header.m_strings[CProtocolHeader::ORGANISATION]));
}

void CHeaderView::ShowFrequency() {
    m_pFrequency->setText(FormatFrequency(m_doc.GetProtocolHeaderRef().m_fFrequency));
}

// The start of a run stays through its pauses: the document's start time of a resume is
// the resume's.
void CHeaderView::OnRunStarted() {
    if (!m_bRunOpen) {
        m_bRunOpen = true;
        m_pStarted->setText(
            QString::fromStdString(m_doc.GetStartTime().Format("%B %d, %Y   %H:%M:%S")));
        m_pDuration->setText(FormatDuration(m_doc.GetElapsed().GetTotalSeconds()));
    }
    ShowStatus();
}

void CHeaderView::ShowStatus() {
    ShowStatusText(*m_pState, MeasurementStateText(m_doc.IsRunning(), m_doc.IsPaused()));
    ShowStatusText(*m_pLogging, LoggingStateText(m_doc.GetLoggingState()));
}

void CHeaderView::PlayAnimation() {
    ++m_nPlays;
    m_nFrame = 0;
    m_frameTimer.start();
    update();
}

void CHeaderView::OnFrame() {
    if (++m_nFrame >= kAnimationFrames) {
        m_nFrame = 0;
        m_frameTimer.stop();
    }
    update(width() - kIndicatorSize - 8, 0, kIndicatorSize + 8, height());
}

void CHeaderView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        m_pFrequency->geometry().contains(event->position().toPoint())) {
        m_doc.UpdateAllViews(nullptr, HINT_SHOW_PAGE + 1);
    }
}

// Each column is as wide as its labels plus its widest usual value; what the strip has beyond
// that goes to the values. A strip too narrow for the window's font takes a smaller one (down
// to 7 points) so that labels are never cut and values only at their right end.
void CHeaderView::LayOut() {
    QFont stripFont = parentWidget() != nullptr ? parentWidget()->font() : QWidget::font();
    const int room = width() - kIndicatorSize - 16;
    ColumnNeeds needs = MeasureColumns(stripFont);
    while (needs.Total() > room && stripFont.pointSizeF() > 7.0) {
        stripFont.setPointSizeF(std::max(7.0, stripFont.pointSizeF() - 0.5));
        needs = MeasureColumns(stripFont);
    }
    if (stripFont != font()) {
        setFont(stripFont);
    }
    const int extra = room - needs.Total();
    int valueTotal = 0;
    for (const int value : needs.values) {
        valueTotal += value;
    }
    const std::array<QLabel*, 6> fields = {m_pFrequency, m_pPS,           m_pOperator,
                                           m_pStarted,   m_pOrganisation, m_pDuration};
    int left = 0;
    for (int c = 0; c < 3; ++c) {
        m_columnLefts[c] = left;
        m_labelWidths[c] = needs.labels[c];
        const int value = std::max(
            0, needs.values[c] + static_cast<int>(static_cast<long long>(extra) * needs.values[c] /
                                                  std::max(1, valueTotal)));
        for (int row = 0; row < 2; ++row) {
            fields[2 * c + row]->setGeometry(left + 2 * kGap + needs.labels[c],
                                             kTop + row * (kRowHeight + 4), value, kRowHeight);
        }
        left += needs.labels[c] + 3 * kGap + value;
    }
    for (int row = 0; row < 2; ++row) {
        QLabel* status = row == 0 ? m_pState : m_pLogging;
        status->setGeometry(left, kTop + row * (kRowHeight + 4), needs.status, kRowHeight);
    }
    update();
}

void CHeaderView::resizeEvent(QResizeEvent* /*event*/) {
    LayOut();
}

void CHeaderView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), ButtonFaceColor(palette()));
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    for (int i = 0; i < 6; ++i) {
        const QRect cell(m_columnLefts[i / 2] + kGap, kTop + i % 2 * (kRowHeight + 4),
                         m_labelWidths[i / 2], kRowHeight);
        painter.drawText(cell, Qt::AlignVCenter | Qt::AlignRight, QString::fromLatin1(kLabels[i]));
    }
    // The activity indicator: a ring of twelve spokes, one lit per frame while it plays.
    const QPoint centre(width() - kIndicatorSize / 2 - 8, height() / 2);
    painter.setRenderHint(QPainter::Antialiasing);
    constexpr int kSpokes = 12;
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        const bool lit = m_frameTimer.isActive() && spoke == m_nFrame % kSpokes;
        painter.setPen(
            QPen(lit ? QColor(0, 0, 255) : QColor(160, 160, 160), 3, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.translate(centre);
        painter.rotate(360.0 * spoke / kSpokes);
        painter.drawLine(0, -kIndicatorSize / 4, 0, -kIndicatorSize / 2);
        painter.restore();
    }
}

}  // namespace tavik

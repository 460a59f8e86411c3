// Renders the documentation images of the charts: chart_gallery OUTDIR.
//   chart.png      two graphs, limit lines, grid, labels, cursor and readout
//   deviation.png  the deviation chart as bars with a readout
//   meters.png     the level meter in scale modes 0, 1, 2 and 3
#include <cmath>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "charts/DeviationDisplay.h"
#include "charts/LevelMeter.h"

namespace tavik {
namespace {

bool SaveChart(const QString& path) {
    constexpr int kCount = 600;
    std::vector<float> x(kCount);
    std::vector<float> power(kCount);
    std::vector<float> deviation(kCount);
    for (int i = 0; i < kCount; ++i) {
        const double t = i * 0.1;
        x[static_cast<std::size_t>(i)] = static_cast<float>(t);
        power[static_cast<std::size_t>(i)] =
            static_cast<float>(45 + 12 * std::sin(t / 4.0) + 6 * std::sin(t * 1.7));
        deviation[static_cast<std::size_t>(i)] =
            static_cast<float>(62 + 15 * std::sin(t / 7.0 + 1.0) + 4 * std::cos(t * 2.3));
    }
    CDisplay chart;
    chart.SetXRange(0.0f, 60.0f);
    chart.SetYRange(0.0f, 100.0f);
    chart.SetTitle(QStringLiteral("Deviation and MPX power"));
    chart.SetXTitle(QStringLiteral("Time"));
    chart.SetXUnit(QStringLiteral("s"));
    chart.SetYTitle(QStringLiteral("Level"));
    chart.SetYUnit(QStringLiteral("%"));
    const int powerId =
        chart.AddGraph(x.data(), power.data(), true, kCount, QStringLiteral("MPX power"));
    const int deviationId =
        chart.AddGraph(x.data(), deviation.data(), true, kCount, QStringLiteral("Deviation"));
    chart.SetGraphPen(deviationId, 2, RGB(255, 255, 255));
    chart.ShowGraph(powerId);
    chart.ShowGraph(deviationId);
    chart.AddLine(1, 0.0f, 60.0f, 85.0f, 85.0f, RGB(255, 0, 0), 1);
    chart.AddLine(2, 0.0f, 60.0f, 20.0f, 20.0f, RGB(0, 200, 0), 1);
    chart.AddGraphLabel(powerId, 12.0f, QStringLiteral("TA on"));
    chart.AddGraphLabel(powerId, 41.0f, QStringLiteral("Peak"));
    chart.OnCommand(CDisplay::ID_MARKER_GRAPH + deviationId);
    QImage image(640, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Render(&painter, image.rect());  // lays out the plot for the cursor
    chart.UpdateCursorPosition(chart.ValueToPoint(27.0f, 0.0f).x());
    chart.Render(&painter, image.rect());
    painter.end();
    return image.save(path);
}

bool SaveDeviation(const QString& path) {
    std::vector<float> classes(111);
    std::vector<float> share(111);
    for (int i = 0; i < 111; ++i) {
        classes[static_cast<std::size_t>(i)] = static_cast<float>(i);
        share[static_cast<std::size_t>(i)] =
            static_cast<float>(9.0 * std::exp(-std::pow((i - 38) / 14.0, 2)));
    }
    CDeviationDisplay chart;
    chart.SetXRange(0.0f, 110.0f);
    chart.SetYRange(0.0f, 10.0f);
    chart.SetTitle(QStringLiteral("Deviation distribution"));
    chart.SetXTitle(QStringLiteral("Deviation"));
    chart.SetXUnit(QStringLiteral("kHz"));
    chart.SetYTitle(QStringLiteral("Share"));
    const int id =
        chart.AddGraph(classes.data(), share.data(), false, 111, QStringLiteral("relative"), true);
    chart.ShowGraph(id);
    chart.AddLine(1, 75.0f, 75.0f, 0.0f, 10.0f, RGB(255, 0, 0), 1);
    chart.OnCommand(CDisplay::ID_MARKER_GRAPH + id);
    QImage image(640, 360, QImage::Format_RGB32);
    QPainter painter(&image);
    chart.Render(&painter, image.rect());
    chart.UpdateCursorPosition(chart.ValueToPoint(44.0f, 0.0f).x());
    chart.Render(&painter, image.rect());
    painter.end();
    return image.save(path);
}

bool SaveMeters(const QString& path) {
    constexpr int kWidth = 80;
    constexpr int kHeight = 310;
    QImage image(4 * kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    struct SLook {
        int mode;
        float level;
        const char* title;
        const char* unit;
    };
    const SLook looks[] = {{0, 93.0f, "Dev.", "%"},
                           {1, -3.0f, "Level", "dB"},
                           {2, 0.6f, "MPX", "dBr"},
                           {3, 64.0f, "Dev.", "kHz"}};
    for (int i = 0; i < 4; ++i) {
        CLevelMeter meter;
        meter.SetScaleMode(looks[i].mode);
        if (looks[i].mode == 3) {
            meter.SetMeterRange(0.0f, 110.0f);
            meter.SetAlarmMark(true, true, 75);
            meter.SetWarningMark(true, true, 60);
        }
        if (looks[i].mode == 1) {
            meter.SetAlarmMark(true, true, 0);
        }
        if (looks[i].mode == 2) {
            meter.SetAlarmMark(true, false, 1);
            meter.SetWarningMark(true, true, 0);
            meter.SetOverloadLamp(true);
        }
        meter.SetMeterTexts(QString::fromLatin1(looks[i].unit),
                            QString::fromLatin1(looks[i].title));
        meter.SetPeakHold(true, 0);
        meter.SetMeterActive(true);
        meter.SetLevel(looks[i].level + 4.0f);
        while (meter.IsTimerActive(CLevelMeter::TIMER_ANIMATION)) {
            meter.OnTimer(CLevelMeter::TIMER_ANIMATION);
        }
        meter.SetLevel(looks[i].level);
        while (meter.IsTimerActive(CLevelMeter::TIMER_ANIMATION)) {
            meter.OnTimer(CLevelMeter::TIMER_ANIMATION);
        }
        meter.Render(&painter, QRect(i * kWidth, 0, kWidth, kHeight));
    }
    painter.end();
    return image.save(path);
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: chart_gallery OUTDIR\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool ok = tavik::SaveChart(folder + "/chart.png") &&
                    tavik::SaveDeviation(folder + "/deviation.png") &&
                    tavik::SaveMeters(folder + "/meters.png");
    return ok ? 0 : 1;
}

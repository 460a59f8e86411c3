#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "charts/Display.h"

namespace tavik {
namespace {

// A 20000-sample time signal (one block, 0.1 ms apart) in a 1000 × 400 chart, thinned to about
// one sample per pixel column, with grid, titles and a limit line.
struct SChartFixture {
    std::vector<float> x = std::vector<float>(20000);
    std::vector<float> y = std::vector<float>(20000);
    CDisplay chart;
    QImage image = QImage(1000, 400, QImage::Format_RGB32);

    SChartFixture() {
        for (std::size_t i = 0; i < x.size(); ++i) {
            x[i] = static_cast<float>(i) * 1e-4f;
            y[i] = static_cast<float>(50.0 + 40.0 * std::sin(i * 0.003) * std::cos(i * 0.0002));
        }
        chart.SetXRange(0.0f, 2.0f);
        chart.SetYRange(0.0f, 100.0f);
        chart.SetTitle(QStringLiteral("MPX"));
        const int id = chart.AddGraph(x.data(), y.data(), true, 20000, QStringLiteral("MPX"));
        chart.ShowGraph(id);
        chart.AddLine(1, 0.0f, 2.0f, 90.0f, 90.0f, 0x0000FF, 1);
    }
    void Paint() {
        QPainter painter(&image);
        chart.Render(&painter, image.rect());
    }
};

// Background layer rebuilt in every frame (as after a resize or a new range), then the graph.
void BM_ChartPaintThinned20000(benchmark::State& state) {
    SChartFixture f;
    for (auto _ : state) {
        f.chart.SetGrid(true);  // invalidates the cached background
        f.Paint();
        benchmark::DoNotOptimize(f.image.constBits());
    }
}
BENCHMARK(BM_ChartPaintThinned20000)->Unit(benchmark::kMicrosecond);

// A repaint for new data: the cached background copied, the graph drawn over it.
void BM_ChartRepaintCachedBackground(benchmark::State& state) {
    SChartFixture f;
    f.Paint();
    for (auto _ : state) {
        f.Paint();
        benchmark::DoNotOptimize(f.image.constBits());
    }
    state.counters["drawn"] = f.chart.FindGraph(1)->nDrawn;
}
BENCHMARK(BM_ChartRepaintCachedBackground)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

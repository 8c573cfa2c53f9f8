// The trend chart at 1000×600 with 100,000 points, offscreen: a repaint of unchanged data (the frame kept
// from the paint before), a repaint after each new point (the live case: the time axis moves every time), the
// same with the view zoomed in to a tenth of the points (with and without the pointer's read-out), in 2D and
// 3D, and adding one point to a full chart without the repaint. Each reports the median of its single
// operations (median_us, and median_cpu_us on the thread's CPU clock) besides Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "bench/chart_bench_data.h"
#include "views/trend_chart_widget.h"

namespace {

using namespace zt30;
using namespace zt30::bench;

struct FullChart {
    explicit FullChart(bool view3D) : readings(MakeReadings(kChartPoints + 200'000)) {
        chart.resize(kChartWidth, kChartHeight);
        chart.SetColor(kColorButtonFace);
        chart.SetBackColor(kColorWhite);
        chart.SetView3D(view3D);
        chart.SetChart3DPercent(35);
        for (int i = 0; i < kChartPoints; ++i) {
            chart.AddPoint(readings[static_cast<std::size_t>(i)].timeMs,
                           readings[static_cast<std::size_t>(i)].value);
        }
        next = kChartPoints;
        // The way the program shows it; updates then go through a real backing store.
        chart.show();
        QApplication::processEvents();
    }

    // One reading more: the earliest point leaves as the new one arrives.
    void Step() {
        const Reading& reading = readings[static_cast<std::size_t>(next % readings.size())];
        chart.DeleteFirstPoint();
        chart.AddPoint(
            reading.timeMs + (next / static_cast<int>(readings.size())) * std::int64_t{1'000'000'000},
            reading.value);
        ++next;
    }

    void Render() { chart.render(&image, QPoint(), QRegion(), QWidget::DrawChildren); }

    // Turns the wheel over the plot's centre until a tenth of the time span is shown; with readOut the
    // pointer then rests there, so that every paint also finds and draws the nearest point.
    void ZoomToATenth(bool readOut) {
        Render();
        const PlotMapping& mapping = chart.Frame().value().mapping;
        const QPointF centre(mapping.left + mapping.width / 2.0, mapping.top + mapping.height / 2.0);
        const int turn = static_cast<int>(std::lround(120.0 * std::log(0.1) / std::log(0.8)));
        QWheelEvent wheel(centre, chart.mapToGlobal(centre), QPoint(), QPoint(0, turn), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&chart, &wheel);
        if (readOut) {
            QMouseEvent move(QEvent::MouseMove, centre, chart.mapToGlobal(centre), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(&chart, &move);
        }
        Render();
    }

    std::vector<Reading> readings;
    TrendChart chart;
    QImage image{kChartWidth, kChartHeight, QImage::Format_ARGB32_Premultiplied};
    int next = 0;
};

void BM_RepaintUnchanged(benchmark::State& state) {
    FullChart full(state.range(0) != 0);
    full.Render();
    OperationTimer timer;
    for (auto _ : state) {
        timer.Start();
        full.Render();
        timer.Stop();
    }
    timer.Report(state);
    state.counters["rows"] = full.chart.LegendRowsShown();
}
BENCHMARK(BM_RepaintUnchanged)->ArgName("3D")->Arg(0)->Arg(1)->Iterations(500)->Unit(benchmark::kMicrosecond);

void BM_RepaintAfterNewPoint(benchmark::State& state) {
    FullChart full(state.range(0) != 0);
    OperationTimer timer;
    for (auto _ : state) {
        full.Step();
        timer.Start();
        full.Render();
        timer.Stop();
    }
    timer.Report(state);
}
BENCHMARK(BM_RepaintAfterNewPoint)
    ->ArgName("3D")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond);

// The view zoomed in to a tenth of the points while readings keep arriving after it: each repaint reduces
// the 10,000 points shown to the plot's columns (found by binary search), the rest untouched.
void BM_RepaintZoomedAfterNewPoint(benchmark::State& state) {
    FullChart full(state.range(0) != 0);
    full.ZoomToATenth(state.range(1) != 0);
    const PlotMapping& mapping = full.chart.Frame().value().mapping;
    const std::size_t shown =
        full.chart.Series().LowerBound(mapping.time.end) - full.chart.Series().LowerBound(mapping.time.begin);
    OperationTimer timer;
    for (auto _ : state) {
        full.Step();
        timer.Start();
        full.Render();
        timer.Stop();
    }
    timer.Report(state);
    state.counters["points_shown"] = static_cast<double>(shown);
    state.counters["live"] = full.chart.LiveView() ? 1 : 0;
}
BENCHMARK(BM_RepaintZoomedAfterNewPoint)
    ->ArgNames({"3D", "readout"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond);

// The read-out's search for the point nearest to the pointer over the live view of all 100,000 points, the
// pointer anywhere in the plot (a grid of 10×10 places, far from the line as well as on it).
void BM_NearestPoint(benchmark::State& state) {
    FullChart full(false);
    full.Render();
    const PlotMapping mapping = full.chart.Frame().value().mapping;
    OperationTimer timer;
    int place = 0;
    std::size_t found = 0;
    for (auto _ : state) {
        const double x = mapping.left + (place % 10 + 0.5) * mapping.width / 10.0;
        const double y = mapping.top + (place / 10 % 10 + 0.5) * mapping.height / 10.0;
        ++place;
        timer.Start();
        found += NearestPoint(full.chart.Series(), mapping, x, y).value_or(0);
        timer.Stop();
    }
    timer.Report(state);
    benchmark::DoNotOptimize(found);
}
BENCHMARK(BM_NearestPoint)->Iterations(1000)->Unit(benchmark::kMicrosecond);

// Delete the earliest point and add one, without painting; timed in runs of 1000 for the clock's sake.
void BM_AddPointToFullChart(benchmark::State& state) {
    FullChart full(false);
    constexpr int kRun = 1000;
    OperationTimer timer;
    for (auto _ : state) {
        timer.Start();
        for (int i = 0; i < kRun; ++i) {
            full.Step();
        }
        timer.Stop(kRun);
    }
    timer.Report(state);
    state.counters["points"] = full.chart.PointCount();
    state.SetItemsProcessed(state.iterations() * kRun);
}
BENCHMARK(BM_AddPointToFullChart)->Iterations(200)->Unit(benchmark::kMicrosecond);

// The main window's whole rule for one reading (limit 100000: delete, move the legend, add).
void BM_AddLimitedPoint(benchmark::State& state) {
    FullChart full(false);
    full.chart.AddLimitedPoint(kChartPoints, full.readings[0].timeMs + 200'000'000'000, 1.0, kColorRed);
    full.Render();
    constexpr int kRun = 1000;
    OperationTimer timer;
    std::int64_t time = full.readings[0].timeMs + 300'000'000'000;
    for (auto _ : state) {
        timer.Start();
        for (int i = 0; i < kRun; ++i) {
            full.chart.AddLimitedPoint(kChartPoints, time, static_cast<double>(i), kColorRed);
            time += 1000;
        }
        timer.Stop(kRun);
    }
    timer.Report(state);
    state.counters["points"] = full.chart.PointCount();
}
BENCHMARK(BM_AddLimitedPoint)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace

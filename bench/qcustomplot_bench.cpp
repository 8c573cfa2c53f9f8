// The chart benchmarks on QCustomPlot (Debian's libqcustomplot-dev, Qt 6 build), for comparison only: the
// same 100,000 readings at 1000×600 offscreen, one red line over a date-time axis with adaptive sampling.
// A repaint is a replot and the widget's paint into an image; the paint of the kept buffer alone is the like
// of the chart's kept frame; the live case also refits both axes to the data after a new point, as the
// trend chart does in each paint; the update drops the earliest point and appends one. Each reports the
// median of its single operations (median_us; median_cpu_us on the thread's CPU clock).
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QImage>

#include "bench/chart_bench_data.h"

namespace {

using namespace zt30::bench;

struct FullPlot {
    FullPlot() : readings(MakeReadings(kChartPoints + 200'000)) {
        plot.resize(kChartWidth, kChartHeight);
        graph = plot.addGraph();
        graph->setPen(QPen(Qt::red));
        graph->setAdaptiveSampling(true);
        graph->setLineStyle(QCPGraph::lsLine);
        graph->setScatterStyle(QCPScatterStyle::ssNone);
        auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
        ticker->setDateTimeFormat(QStringLiteral("HH:mm:ss\ndd.MM.yyyy"));
        ticker->setTimeZone(QTimeZone::utc());
        plot.xAxis->setTicker(ticker);
        QVector<double> keys;
        QVector<double> values;
        for (int i = 0; i < kChartPoints; ++i) {
            keys.push_back(Key(i));
            values.push_back(readings[static_cast<std::size_t>(i)].value);
        }
        graph->setData(keys, values, true);
        next = kChartPoints;
        plot.rescaleAxes();
        plot.show();
        QApplication::processEvents();
    }

    double Key(int i) const {
        const Reading& reading = readings[static_cast<std::size_t>(i % static_cast<int>(readings.size()))];
        return (reading.timeMs + (i / static_cast<int>(readings.size())) * std::int64_t{1'000'000'000}) /
               1000.0;
    }

    void Step() {
        graph->data()->removeBefore(Key(next - kChartPoints + 1));
        graph->addData(Key(next),
                       readings[static_cast<std::size_t>(next % static_cast<int>(readings.size()))].value);
        ++next;
    }

    void Repaint() {
        plot.replot(QCustomPlot::rpImmediateRefresh);
        plot.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    }

    std::vector<Reading> readings;
    QCustomPlot plot;
    QCPGraph* graph = nullptr;
    QImage image{kChartWidth, kChartHeight, QImage::Format_ARGB32_Premultiplied};
    int next = 0;
};

void BM_QcpRepaintUnchanged(benchmark::State& state) {
    FullPlot full;
    full.Repaint();
    OperationTimer timer;
    for (auto _ : state) {
        timer.Start();
        full.Repaint();
        timer.Stop();
    }
    timer.Report(state);
}
BENCHMARK(BM_QcpRepaintUnchanged)->Iterations(500)->Unit(benchmark::kMicrosecond);

// The widget's paint alone, its buffers kept from the replot before: the like of the chart's kept frame.
void BM_QcpPaintKeptBuffer(benchmark::State& state) {
    FullPlot full;
    full.Repaint();
    OperationTimer timer;
    for (auto _ : state) {
        timer.Start();
        full.plot.render(&full.image, QPoint(), QRegion(), QWidget::DrawChildren);
        timer.Stop();
    }
    timer.Report(state);
}
BENCHMARK(BM_QcpPaintKeptBuffer)->Iterations(500)->Unit(benchmark::kMicrosecond);

void BM_QcpRepaintAfterNewPoint(benchmark::State& state) {
    FullPlot full;
    OperationTimer timer;
    for (auto _ : state) {
        full.Step();
        timer.Start();
        full.plot.rescaleAxes();
        full.Repaint();
        timer.Stop();
    }
    timer.Report(state);
}
BENCHMARK(BM_QcpRepaintAfterNewPoint)->Iterations(500)->Unit(benchmark::kMicrosecond);

void BM_QcpAddPointToFullPlot(benchmark::State& state) {
    FullPlot full;
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
    state.counters["points"] = full.graph->dataCount();
}
BENCHMARK(BM_QcpAddPointToFullPlot)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace

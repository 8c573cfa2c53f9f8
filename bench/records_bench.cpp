// The measured-values record, offscreen: one addSample on a full table with the window shown (the ring turns
// and every row of the grid changes), alone and with the repaint it causes, and one record line appended to a
// record file of 100 MB. Each reports the median of single runs.
#include <benchmark/benchmark.h>

#include "bench/bench_doubles.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "config/regional_settings_qt.h"
#include "views/measured_values_window.h"
#include "views/record_line.h"

namespace {

using namespace zt30;
using namespace zt30::bench;
using SteadyClock = std::chrono::steady_clock;

// A reading a second with changing texts, handed to the window as the reading cycle does.
struct TickingReadings {
    RecordOutcome Next(TGridMeas& window) {
        ++reading;
        return window.addSample(std::to_string(reading) + ",500", std::to_string(reading * 3) + ",250",
                                LocalDateTimeOf(start.addSecs(reading)), 1);
    }

    long long reading = 0;
    QDateTime start = QDateTime(QDate(2026, 3, 2), QTime(9, 0, 0));
};

double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

double MsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

int argc_ = 1;
char name_[] = "zt30_records_bench";
char* argv_[] = {name_, nullptr};

// state.range(0): 1 to let the event loop repaint the grid inside the timed part; state.range(1): 1 to
// record every sample to a file.
void BM_AddSampleOnAFullTable(benchmark::State& state) {
    QApplication application(argc_, argv_);
    QTemporaryDir folder;
    SilentUi ui;
    TickingReadings readings;
    TGridMeas window(ui, RegionalSettingsFor(QLocale(QLocale::Czech, QLocale::Czechia)),
                     MakeSystemRecordFileSystem());
    window.show();
    for (int i = 0; i < MeasuredValuesTable::kSampleRows; ++i) {
        readings.Next(window);
    }
    if (state.range(1) != 0) {
        window.startRecord(1, QDir(folder.path()).filePath(QStringLiteral("Zantor30.txt")).toStdString());
    }
    QApplication::processEvents();
    const bool repaint = state.range(0) != 0;
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        readings.Next(window);
        if (repaint) {
            QApplication::processEvents();
        }
        samples.push_back(MsSince(start));
        if (!repaint) {
            state.PauseTiming();
            QApplication::processEvents();
            state.ResumeTiming();
        }
    }
    state.counters["median_ms"] = Median(samples);
    state.counters["full"] = window.Table().Full() ? 1 : 0;
    state.counters["boxes"] = ui.shown;
}
BENCHMARK(BM_AddSampleOnAFullTable)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"repaint", "record"})
    ->Iterations(3000)
    ->Unit(benchmark::kMillisecond);

// One line appended to a record file of 100 MB: the file is opened for appending, written once and closed;
// it is never read or rewritten, so the time does not grow with the file.
void BM_AppendOneLineTo100MBRecordFile(benchmark::State& state) {
    QTemporaryDir folder;
    const std::string path = QDir(folder.path()).filePath(QStringLiteral("Zantor30.txt")).toStdString();
    const std::string line = RecordLine("12345,680", "987654,250", "02.03.26", "9:05:07");
    {
        const std::string block = [&] {
            std::string lines;
            while (lines.size() < (1u << 20)) {
                lines += line;
            }
            return lines;
        }();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            state.SkipWithError("cannot create the record file");
            return;
        }
        for (int mib = 0; mib < 100; ++mib) {
            std::fwrite(block.data(), 1, block.size(), file);
        }
        std::fclose(file);
    }
    auto files = MakeSystemRecordFileSystem();
    const std::uint64_t before = files->Length(path).value_or(0);
    RecordFile record(*files);
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        const AppendResult result = record.Append(path, line);
        samples.push_back(MsSince(start));
        if (result != AppendResult::Written) {
            state.SkipWithError("the line was not written");
            return;
        }
    }
    state.counters["median_ms"] = Median(samples);
    state.counters["file_mib"] = static_cast<double>(before) / (1 << 20);
    // Exactly the appended lines were added: nothing was rewritten.
    state.counters["grown_ok"] =
        files->Length(path).value_or(0) == before + samples.size() * line.size() ? 1 : 0;
}
BENCHMARK(BM_AppendOneLineTo100MBRecordFile)->Iterations(3000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

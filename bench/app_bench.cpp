// The program as a user meets it, offscreen: from nothing to the shown main window, one whole reading against
// zt30-sim on a pseudo-terminal as the timer runs it (open, exchange, close, value texts, chart point), and
// the resident memory once the chart holds 100,000 points. Each reports the median of single runs.
#include <benchmark/benchmark.h>

#include "bench/bench_doubles.h"
#include "bench/bench_stats.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/program_qt.h"
#include "app/wall_clock_qt.h"
#include "link/port_dialog.h"
#include "sim/sim_process.h"
#include "views/ini_file_backend_qt.h"
#include "views/trend_chart_widget.h"

namespace {

using namespace zt30;
using namespace zt30::bench;
using bench::SteadyClock;

// Resident memory of this process in MiB, from /proc.
double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0.0;
}

// The program over a settings file in a temporary folder whose COM1 is `device` and whose instrument is 1.
struct ProgramUnderTest {
    explicit ProgramUnderTest(const std::string& device, int graphPoints = 200) {
        const QString path = folder.filePath(QStringLiteral("OrvZT30.ini"));
        std::ofstream(path.toStdString())
            << "[DEVICES]\nCOM1=" << device << "\n[ADRESA]\nDA=1\n[GRAF]\nPOCET=" << graphPoints << "\n";
        program = std::make_unique<Program>(ProgramEnvironment{
            ui, wallClock, clock, RegionalSettings{},
            [path] { return std::make_unique<IniFileSettingsBackend>(path); },
            [](PortDeviceLookup lookup) { return MakeSystemSerialBackend(std::move(lookup)); }});
    }

    QTemporaryDir folder;
    SilentUi ui{MessageAnswer::No};  // every question answered "No"
    QtWallClock wallClock;
    SystemClock clock;
    std::unique_ptr<Program> program;
};

// From nothing to the main window on screen: the application object, every window with its settings read,
// the main window shown and exposed.
void BM_StartToShownMainWindow(benchmark::State& state) {
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        int argc = 1;
        char name[] = "zt30_app_bench";
        char* argv[] = {name, nullptr};
        auto application = std::make_unique<QApplication>(argc, argv);
        {
            ProgramUnderTest program("/dev/null");
            program.program->zantor30().show();
            if (!QTest::qWaitForWindowExposed(&program.program->zantor30())) {
                state.SkipWithError("the main window was not exposed");
                return;
            }
            samples.push_back(bench::MillisecondsSince(start));
        }
        application.reset();
    }
    state.counters["median_ms"] = bench::Median(samples);
}
BENCHMARK(BM_StartToShownMainWindow)->Iterations(20)->Unit(benchmark::kMillisecond);

int argc_ = 1;
char name_[] = "zt30_app_bench";
char* argv_[] = {name_, nullptr};

// One reading as the timer runs it, against the simulator answering at once.
void BM_OneReadingAgainstTheSimulator(benchmark::State& state) {
    QApplication application(argc_, argv_);
    test::SimProcess sim(ZT30_SIM_PATH, {"--stations", "1", "--turnaround", "0"});
    if (sim.SlavePath().empty()) {
        state.SkipWithError("simulator not available");
        return;
    }
    ProgramUnderTest program(sim.SlavePath());
    Tzantor30& window = program.program->zantor30();
    window.show();
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        window.tl_readClick();
        samples.push_back(bench::MillisecondsSince(start));
    }
    state.counters["median_ms"] = bench::Median(samples);
    state.counters["boxes"] = program.ui.shown;
}
BENCHMARK(BM_OneReadingAgainstTheSimulator)->Iterations(500)->Unit(benchmark::kMillisecond);

// The program's resident memory with a chart of 100,000 points added as readings add them.
void BM_ResidentMemoryAt100000Points(benchmark::State& state) {
    QApplication application(argc_, argv_);
    for (auto _ : state) {
        ProgramUnderTest program("/dev/null", 100000);
        Tzantor30& window = program.program->zantor30();
        window.show();
        QApplication::processEvents();
        const double before = ResidentMiB();
        for (int i = 0; i < 100000; ++i) {
            window.AddChartPoint(static_cast<float>(i % 977));
        }
        window.repaint();
        state.counters["rss_mib"] = ResidentMiB();
        state.counters["chart_growth_mib"] = ResidentMiB() - before;
        state.counters["points"] = window.Chart().PointCount();
    }
}
BENCHMARK(BM_ResidentMemoryAt100000Points)->Iterations(1)->Unit(benchmark::kMillisecond);

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

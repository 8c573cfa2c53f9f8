#include "app/program.h"

#include "app/line_statistics_window.h"
#include "app/line_traffic_window.h"
#include "app/main_window.h"
#include "link/line_monitor.h"
#include "link/port_dialog.h"

namespace zt30 {

Program::Program(const ProgramEnvironment& environment) {
    zantor30_ = std::make_unique<Tzantor30>(environment.makeSettingsBackend(), environment.ui,
                                            environment.wallClock, environment.regional);
    SettingsStore& store = zantor30_->Settings();
    port_ =
        std::make_unique<Tport>(store, environment.ui, environment.makeSerialBackend(store.DeviceLookup()),
                                environment.clock, zantor30_.get());
    zantor30_->SetPortWindow(port_.get());

    lineMonitor_ = std::make_unique<LineMonitor>(port_->Link().telegrams);
    lineTraffic_ =
        std::make_unique<TLineTraffic>(*lineMonitor_, environment.ui, environment.regional, zantor30_.get());
    lineStatistics_ =
        std::make_unique<TLineStatistics>(*lineMonitor_, environment.regional, zantor30_.get(),
                                          [&clock = environment.wallClock] { return clock.Now().local; });
    zantor30_->SetDiagnosticsWindows(lineTraffic_.get(), lineStatistics_.get());
}

Program::~Program() = default;

}  // namespace zt30

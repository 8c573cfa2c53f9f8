#include "app/program.h"

#include "app/main_window.h"
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
}

Program::~Program() = default;

}  // namespace zt30

#include "app/program.h"

#include "app/main_window.h"
#include "app/record_binding.h"
#include "link/port_dialog.h"
#include "views/graph_settings_dialog.h"
#include "views/measured_values_window.h"
#include "views/recording_interval_dialog.h"

namespace zt30 {

Program::Program(const ProgramEnvironment& environment) {
    zantor30_ = std::make_unique<Tzantor30>(environment.makeSettingsBackend(), environment.ui,
                                            environment.wallClock, environment.regional);
    SettingsStore& store = zantor30_->Settings();
    port_ =
        std::make_unique<Tport>(store, environment.ui, environment.makeSerialBackend(store.DeviceLookup()),
                                environment.clock, zantor30_.get());
    zantor30_->SetPortWindow(port_.get());

    rotace3D_ = std::make_unique<Trotace3D>(zantor30_->Chart(), environment.ui, zantor30_.get());
    GridMeas_ = std::make_unique<TGridMeas>(environment.ui, environment.regional,
                                            MakeSystemRecordFileSystem(), zantor30_.get());
    file_sampling_ = std::make_unique<Tfile_sampling>(store, environment.ui, zantor30_.get());
    record_ = std::make_unique<RecordBinding>(*zantor30_, *GridMeas_, *file_sampling_, environment.wallClock);
    GridMeas_->SetSources(record_.get());
    zantor30_->SetMeasurementRecord(record_.get());
    zantor30_->SetRecordWindows(rotace3D_.get(), GridMeas_.get(), file_sampling_.get());
}

Program::~Program() = default;

}  // namespace zt30

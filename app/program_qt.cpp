#include "app/program_qt.h"

#include "app/line_statistics_window.h"
#include "app/line_traffic_window.h"
#include "app/main_window.h"
#include "config/about_dialog.h"
#include "config/address_dialog.h"
#include "config/ident_dialog.h"
#include "config/parameters_dialog.h"
#include "link/line_monitor.h"
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
    InstrumentLink& link = port_->Link();
    aboutBox_ = std::make_unique<TAboutBox>(zantor30_.get());
    zantor30_->SetAboutBox(aboutBox_.get());
    aboutIdent_ = std::make_unique<Tabout_ident>(link, environment.ui, zantor30_.get());
    zantor30_->SetIdentDialog(aboutIdent_.get());
    formMenu_ = std::make_unique<TForm_menu>(link, environment.ui, environment.regional.decimalSeparator,
                                             zantor30_.get());
    zantor30_->SetParametersDialog(formMenu_.get());
    zmenaAdresy_ = std::make_unique<TZmenaAdresy>(link, environment.ui, zantor30_.get());
    zantor30_->SetAddressDialog(zmenaAdresy_.get());

    rotace3D_ = std::make_unique<Trotace3D>(zantor30_->Chart(), environment.ui, zantor30_.get());
    gridMeas_ = std::make_unique<TGridMeas>(environment.ui, environment.regional,
                                            MakeSystemRecordFileSystem(), zantor30_.get());
    fileSampling_ = std::make_unique<Tfile_sampling>(store, environment.ui, zantor30_.get());
    zantor30_->SetRecordWindows(rotace3D_.get(), gridMeas_.get(), fileSampling_.get());

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

#include "app/program.h"

#include "app/main_window.h"
#include "config/about_box.h"
#include "config/address_dialog.h"
#include "config/ident_dialog.h"
#include "config/parameters_dialog.h"
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
}

Program::~Program() = default;

}  // namespace zt30

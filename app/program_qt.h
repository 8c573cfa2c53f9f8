// The program's windows, created once at start in their fixed order (the main window first, so its settings
// store is open before any other window's creation handler reads it) and kept until the program ends. The
// environment hands in everything that differs between the real program and a test: the UI services, the
// clocks, the regional settings and the two backends.
#pragma once

#include <functional>
#include <memory>

#include "app/wall_clock.h"
#include "config/regional_settings.h"
#include "link/clock.h"
#include "link/com_ports.h"
#include "link/serial_line.h"
#include "link/ui_services.h"
#include "views/settings_store.h"

namespace zt30 {

class LineMonitor;
class TLineStatistics;
class TLineTraffic;
class Tzantor30;
class Tport;
class TAboutBox;
class Tabout_ident;
class TForm_menu;
class TZmenaAdresy;
class Trotace3D;
class TGridMeas;
class Tfile_sampling;

struct ProgramEnvironment {
    UiServices& ui;
    WallClock& wallClock;
    Clock& clock;
    RegionalSettings regional;
    std::function<std::unique_ptr<SettingsBackend>()> makeSettingsBackend;
    // The serial backend, given the configured device of each COM port.
    std::function<std::unique_ptr<SerialBackend>(PortDeviceLookup)> makeSerialBackend;
};

class Program {
public:
    explicit Program(const ProgramEnvironment& environment);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Tzantor30& zantor30() { return *zantor30_; }
    Tport& port() { return *port_; }
    TAboutBox& AboutBox() { return *aboutBox_; }
    Tabout_ident& about_ident() { return *aboutIdent_; }
    TForm_menu& Form_menu() { return *formMenu_; }
    TZmenaAdresy& ZmenaAdresy() { return *zmenaAdresy_; }
    Trotace3D& rotace3D() { return *rotace3D_; }
    TGridMeas& GridMeas() { return *gridMeas_; }
    Tfile_sampling& file_sampling() { return *fileSampling_; }
    LineMonitor& lineMonitor() { return *lineMonitor_; }
    TLineTraffic& lineTraffic() { return *lineTraffic_; }
    TLineStatistics& lineStatistics() { return *lineStatistics_; }

private:
    // Destroyed in reverse order: the dialogs before the main window that owns the settings store.
    std::unique_ptr<Tzantor30> zantor30_;
    std::unique_ptr<Tport> port_;
    std::unique_ptr<TAboutBox> aboutBox_;
    std::unique_ptr<Tabout_ident> aboutIdent_;
    std::unique_ptr<TForm_menu> formMenu_;
    std::unique_ptr<TZmenaAdresy> zmenaAdresy_;
    std::unique_ptr<Trotace3D> rotace3D_;
    std::unique_ptr<TGridMeas> gridMeas_;
    std::unique_ptr<Tfile_sampling> fileSampling_;
    // The line monitor on the port's link and its two windows; the windows go first, the monitor detaches
    // itself from the link before the port dialog goes.
    std::unique_ptr<LineMonitor> lineMonitor_;
    std::unique_ptr<TLineTraffic> lineTraffic_;
    std::unique_ptr<TLineStatistics> lineStatistics_;
};

}  // namespace zt30

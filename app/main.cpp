// zt30: the operator program. Creates the windows once, shows the main window and runs the message loop until
// it closes; an error during start-up is shown by the error display and ends the program.
#include <QApplication>
#include <exception>

#include "app/main_window.h"
#include "app/program.h"
#include "app/qt_ui_services.h"
#include "app/qt_wall_clock.h"
#include "config/regional_settings_qt.h"
#include "link/error_display.h"
#include "views/qt_settings_backend.h"

int main(int argc, char** argv) {
    using namespace zt30;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("zt30"));

    QtUiServices ui;
    try {
        QtWallClock wallClock;
        SystemClock clock;
        Program program(ProgramEnvironment{
            ui, wallClock, clock, SystemRegionalSettings(),
            [] { return std::make_unique<QtSettingsBackend>(); },
            [](PortDeviceLookup lookup) { return MakeSystemSerialBackend(std::move(lookup)); }});
        program.zantor30().show();
        return QApplication::exec();
    } catch (const std::exception& error) {
        ShowErrorDisplay(ui, error.what());
    }
    return 1;
}

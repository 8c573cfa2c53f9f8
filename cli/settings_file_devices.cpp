// The one use of the settings file in zt30ctl, through the program's own reader (Qt Core).
#include "cli/configured_devices.h"
#include "views/ini_file_backend_qt.h"

namespace zt30::cli {

ConfiguredDevices ReadConfiguredDevices() {
    IniFileSettingsBackend backend(SettingsFilePath());
    return DevicesFromBackend(backend, backend.Path().toStdString());
}

}  // namespace zt30::cli

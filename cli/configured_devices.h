// The device paths that the settings file gives the COM ports (text values COM1 to COM8 of section DEVICES),
// read with the program's own settings reader. ReadConfiguredDevices (settings_file_devices.cpp) is the one
// place where zt30ctl reads the settings file; a build without that file (Windows, whose ports are the
// system's own COMn) leaves it out, and everything here works on any SettingsBackend.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "link/com_ports.h"
#include "views/settings_store.h"

namespace zt30::cli {

struct ConfiguredDevice {
    std::optional<std::string> path;  // none when the file configures none (or an empty path)
    std::string error;                // why the file or this value cannot be read; empty when it can
};

// COM1 first.
using ConfiguredDevices = std::array<ConfiguredDevice, settings::kDevicePortCount>;

// The devices of the user's settings file (the program's SettingsFilePath()).
ConfiguredDevices ReadConfiguredDevices();

// The devices of a store that is opened here; fileName names it in the errors: a store that cannot be opened
// makes every port's error, a value that is not text that port's.
ConfiguredDevices DevicesFromBackend(SettingsBackend& backend, const std::string& fileName);

// A lookup over the devices, for MakeSystemSerialBackend (a port with an error maps nothing).
PortDeviceLookup DeviceLookupOf(const ConfiguredDevices& devices);

// A lookup that gives one device path for every port (the --device option).
PortDeviceLookup FixedDeviceLookup(std::string path);

}  // namespace zt30::cli

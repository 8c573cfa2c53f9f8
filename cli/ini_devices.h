// The COM-port mapping of the command-line tool. The program keeps the device path of each port as the text
// value COMn of section DEVICES in its settings file (written by Qt's INI format); the tool has no Qt, so
// this small read-only reader finds that section in the file's text and hands the paths to the serial
// backend.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "link/com_ports.h"

namespace zt30::cli {

inline constexpr int kPortCount = 8;

// Configured device paths of COM1..COM8 (index 0 is COM1); an entry is empty when the file names none.
using DeviceTable = std::array<std::optional<std::string>, kPortCount>;

// The settings file: $XDG_CONFIG_HOME/OrvZT30.ini, or $HOME/.config/OrvZT30.ini when XDG_CONFIG_HOME is
// unset, empty or relative; nullopt when neither variable gives a folder. The arguments are the variables'
// values.
std::optional<std::string> SettingsFilePath(const char* xdgConfigHome, const char* home);

// Undoes the quoting and backslash escapes of an INI value; a malformed escape is kept as written.
std::string UnescapeIniValue(std::string_view raw);

// The COMn keys of section [DEVICES] in an INI text. Tolerant: other sections, comments, blank lines, CR LF
// line ends, blanks around keys and values and lines without "=" are skipped; an empty value maps nothing.
DeviceTable ParseDevicesSection(std::string_view iniText);

// Reads and parses the file; a missing or unreadable file gives an empty table.
DeviceTable ReadDevicesFile(const std::string& path);

// A lookup over the table, for MakeSystemSerialBackend.
PortDeviceLookup LookupFromTable(DeviceTable table);

// A lookup that gives one device path for every port (the --device option).
PortDeviceLookup FixedDeviceLookup(std::string path);

}  // namespace zt30::cli

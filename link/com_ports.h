// Where COM port n lives on this system. On Windows it is the device "COMn" itself; on POSIX systems it is
// the device path configured for "COMn" in the settings, else /dev/ttyS(n-1). Port 0 ("no port") never maps.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/serial_line.h"

namespace zt30 {

// The configured device path of port n, if the settings hold one.
using PortDeviceLookup = std::function<std::optional<std::string>(int portNumber)>;

// The device path of port n on a POSIX system; nullopt for n < 1.
std::optional<std::string> DevicePathForPort(int portNumber, const PortDeviceLookup& configured);

// The serial backend of this system: termios on POSIX (ports mapped by lookup), the communications API on
// Windows (lookup unused).
std::unique_ptr<SerialBackend> MakeSystemSerialBackend(PortDeviceLookup lookup);

}  // namespace zt30

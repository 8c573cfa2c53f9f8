// Where COM port n lives on this system. On Windows it is the device "\\.\COMn" itself unless a device name
// is given for it (zt30ctl --device); on POSIX systems it is the device path configured for "COMn" in the
// settings, else /dev/ttyS(n-1). A network address given or configured for a port stands as it is, on every
// system. Port 0 ("no port") never maps.
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

// The device name under which Windows opens port n: the configured name, a bare one ("COM12") taken in the
// device namespace ("\\.\COM12", the only form that reaches COM10 and above), a network address as it is,
// else "\\.\COMn"; nullopt for n < 1.
std::optional<std::string> Win32DeviceForPort(int portNumber, const PortDeviceLookup& configured);

// The device port n opens on this system: Win32DeviceForPort on Windows, DevicePathForPort elsewhere.
std::optional<std::string> SystemDeviceForPort(int portNumber, const PortDeviceLookup& configured);

// The device a port's tool tip names: on POSIX systems DevicePathForPort; on Windows, where "COM n" is the
// system's own port, only a network address configured for it.
std::optional<std::string> ShownDeviceForPort(int portNumber, const PortDeviceLookup& configured);

// The backend of this system's own ports: termios on POSIX, the communications API on Windows; both open the
// device SystemDeviceForPort names.
std::unique_ptr<SerialBackend> MakeLocalSerialBackend(PortDeviceLookup lookup);

// The serial backend of this system: at each open, a line on the network when the port's device is a network
// address ("rfc2217://HOST:PORT", "tcp://HOST:PORT"), else the local backend.
std::unique_ptr<SerialBackend> MakeSystemSerialBackend(PortDeviceLookup lookup);

}  // namespace zt30

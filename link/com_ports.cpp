#include "link/com_ports.h"

#include "link/network_address.h"

namespace zt30 {

std::optional<std::string> DevicePathForPort(int portNumber, const PortDeviceLookup& configured) {
    if (portNumber < 1) {
        return std::nullopt;
    }
    if (configured) {
        std::optional<std::string> path = configured(portNumber);
        if (path && !path->empty()) {
            return path;
        }
    }
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::optional<std::string> Win32DeviceForPort(int portNumber, const PortDeviceLookup& configured) {
    if (portNumber < 1) {
        return std::nullopt;
    }
    const std::string kDeviceNamespace = "\\\\.\\";
    std::optional<std::string> name = configured ? configured(portNumber) : std::nullopt;
    if (!name || name->empty()) {
        return kDeviceNamespace + "COM" + std::to_string(portNumber);
    }
    if (name->rfind("\\\\", 0) == 0 || IsNetworkDevice(*name)) {
        return name;
    }
    return kDeviceNamespace + *name;
}

std::optional<std::string> SystemDeviceForPort(int portNumber, const PortDeviceLookup& configured) {
#ifdef _WIN32
    return Win32DeviceForPort(portNumber, configured);
#else
    return DevicePathForPort(portNumber, configured);
#endif
}

std::optional<std::string> ShownDeviceForPort(int portNumber, const PortDeviceLookup& configured) {
#ifdef _WIN32
    std::optional<std::string> name = portNumber >= 1 && configured ? configured(portNumber) : std::nullopt;
    return name && IsNetworkDevice(*name) ? name : std::nullopt;
#else
    return DevicePathForPort(portNumber, configured);
#endif
}

}  // namespace zt30

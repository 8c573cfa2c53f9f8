#include "cli/configured_devices.h"

#include <utility>

#include "cli/printable.h"
#include "link/network_address.h"

namespace zt30::cli {

ConfiguredDevices DevicesFromBackend(SettingsBackend& backend, const std::string& fileName) {
    ConfiguredDevices devices;
    const std::string file = "settings file " + PrintableText(fileName);
    if (!backend.OpenKey()) {
        for (ConfiguredDevice& device : devices) {
            device.error = file + " cannot be read";
        }
        return devices;
    }
    const std::string section(settings::kDevicesSection);
    if (!backend.OpenSection(section)) {
        return devices;
    }
    for (int port = 1; port <= settings::kDevicePortCount; ++port) {
        const std::string name = "COM" + std::to_string(port);
        ValueQuery value = backend.QueryValue(section, name);
        ConfiguredDevice& device = devices[static_cast<std::size_t>(port - 1)];
        if (value.kind == ValueQuery::Kind::NotText) {
            device.error = file + ": " + name + " in [" + section + "] is not valid UTF-8 text";
        } else if (value.kind == ValueQuery::Kind::Text && !value.text.empty()) {
            if (IsNetworkDevice(value.text)) {
                if (const NetworkAddressParse address = ParseNetworkAddress(value.text); !address.address) {
                    device.error = file + ": " + name + " in [" + section + "] \"" +
                                   PrintableText(value.text) +
                                   "\" is not a network address: " + address.error;
                    continue;
                }
            }
            device.path = std::move(value.text);
        }
    }
    return devices;
}

PortDeviceLookup DeviceLookupOf(const ConfiguredDevices& devices) {
    return [devices](int portNumber) -> std::optional<std::string> {
        if (portNumber < 1 || portNumber > settings::kDevicePortCount) {
            return std::nullopt;
        }
        return devices[static_cast<std::size_t>(portNumber - 1)].path;
    };
}

PortDeviceLookup FixedDeviceLookup(std::string path) {
    return [path = std::move(path)](int) -> std::optional<std::string> { return path; };
}

}  // namespace zt30::cli

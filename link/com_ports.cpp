#include "link/com_ports.h"

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

}  // namespace zt30

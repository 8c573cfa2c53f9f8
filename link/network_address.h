// The address of a line on the network, where a device name would otherwise stand: "rfc2217://HOST:PORT"
// (Telnet with the COM port option; the program sets the server's port) or "tcp://HOST:PORT" (raw bytes; the
// server's port is configured on the server). HOST is a name, an IPv4 address or an IPv6 address in
// brackets. Any device text with "://" in it is meant as such an address, so a mistyped one is refused
// instead of being opened as a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt30 {

enum class NetworkScheme : std::uint8_t { Rfc2217, Tcp };

struct NetworkAddress {
    NetworkScheme scheme = NetworkScheme::Tcp;
    std::string host;  // without the brackets of an IPv6 address
    std::uint16_t port = 0;

    friend bool operator==(const NetworkAddress&, const NetworkAddress&) = default;
};

// The address, or the short reason (English, for zt30ctl) why the text is not one: "no port (HOST:PORT)".
struct NetworkAddressParse {
    std::optional<NetworkAddress> address;
    std::string error;
};

// True when the device text is meant as a network address (it holds "://").
bool IsNetworkDevice(std::string_view device);

NetworkAddressParse ParseNetworkAddress(std::string_view text);

}  // namespace zt30

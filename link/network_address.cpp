#include "link/network_address.h"

#include <algorithm>

namespace zt30 {
namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameScheme(std::string_view given, std::string_view scheme) {
    return given.size() == scheme.size() && std::equal(given.begin(), given.end(), scheme.begin(),
                                                       [](char a, char b) { return Lower(a) == b; });
}

// Letters, digits and the few marks of host names and IP addresses; never a space, a control character or
// a byte of another script.
bool IsHostText(std::string_view host, bool bracketed) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [bracketed](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '.' || c == '_' || (bracketed && (c == ':' || c == '%'));
    });
}

}  // namespace

bool IsNetworkDevice(std::string_view device) {
    return device.find("://") != std::string_view::npos;
}

NetworkAddressParse ParseNetworkAddress(std::string_view text) {
    const auto fail = [](std::string why) { return NetworkAddressParse{std::nullopt, std::move(why)}; };
    const std::size_t separator = text.find("://");
    if (separator == std::string_view::npos) {
        return fail("no \"://\" (rfc2217://HOST:PORT or tcp://HOST:PORT)");
    }
    NetworkAddress address;
    const std::string_view scheme = text.substr(0, separator);
    if (SameScheme(scheme, "rfc2217")) {
        address.scheme = NetworkScheme::Rfc2217;
    } else if (SameScheme(scheme, "tcp")) {
        address.scheme = NetworkScheme::Tcp;
    } else {
        return fail("unknown scheme (rfc2217:// or tcp://)");
    }
    std::string_view rest = text.substr(separator + 3);
    std::string_view host;
    bool bracketed = false;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            return fail("unclosed [ in the host");
        }
        host = rest.substr(1, close - 1);
        rest = rest.substr(close + 1);
        bracketed = true;
    } else {
        const std::size_t colon = rest.find(':');
        host = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon);
    }
    if (!IsHostText(host, bracketed)) {
        return fail("no valid host");
    }
    if (rest.size() < 2 || rest.front() != ':') {
        return fail("no port (HOST:PORT)");
    }
    const std::string_view digits = rest.substr(1);
    unsigned long port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return fail("port not a number 1..65535");
        }
        port = std::min<unsigned long>(port * 10 + static_cast<unsigned long>(c - '0'), 100000);
    }
    if (port < 1 || port > 65535) {
        return fail("port out of range 1..65535");
    }
    address.host = std::string(host);
    address.port = static_cast<std::uint16_t>(port);
    return {std::move(address), {}};
}

}  // namespace zt30

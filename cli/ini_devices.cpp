#include "cli/ini_devices.h"

#include <cctype>
#include <charconv>
#include <fstream>

namespace zt30::cli {

namespace {

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

void AppendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The port number of a key "COM1".."COM8" (any case), or 0.
int PortOfKey(std::string_view key) {
    if (key.size() != 4 || !EqualsIgnoringCase(key.substr(0, 3), "com")) {
        return 0;
    }
    const char digit = key[3];
    return (digit >= '1' && digit <= '0' + kPortCount) ? digit - '0' : 0;
}

}  // namespace

std::optional<std::string> SettingsFilePath(const char* xdgConfigHome, const char* home) {
    const std::string_view xdg = xdgConfigHome ? xdgConfigHome : "";
    if (!xdg.empty() && xdg.front() == '/') {
        return std::string(xdg) + "/OrvZT30.ini";
    }
    const std::string_view homeDir = home ? home : "";
    if (homeDir.empty()) {
        return std::nullopt;
    }
    return std::string(homeDir) + "/.config/OrvZT30.ini";
}

std::string UnescapeIniValue(std::string_view raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            continue;  // quotes only protect blanks and separators
        }
        if (c != '\\' || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const char e = raw[++i];
        switch (e) {
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'v':
                out += '\v';
                break;
            case 'x': {
                // Qt writes a character outside Latin-1 as \x followed by up to four hex digits.
                std::size_t end = i + 1;
                while (end < raw.size() && end < i + 5 &&
                       std::isxdigit(static_cast<unsigned char>(raw[end]))) {
                    ++end;
                }
                unsigned value = 0;
                const auto [ptr, ec] = std::from_chars(raw.data() + i + 1, raw.data() + end, value, 16);
                if (ec != std::errc() || ptr == raw.data() + i + 1) {
                    out += "\\x";
                } else {
                    AppendUtf8(out, value);
                    i = end - 1;
                }
                break;
            }
            default:
                out += e;
                break;  // \\ \" \' \? and anything unknown stand for the character itself
        }
    }
    return out;
}

DeviceTable ParseDevicesSection(std::string_view iniText) {
    DeviceTable table;
    bool inDevices = false;
    while (!iniText.empty()) {
        const std::size_t end = iniText.find('\n');
        std::string_view line = Trim(iniText.substr(0, end));
        iniText.remove_prefix(end == std::string_view::npos ? iniText.size() : end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            inDevices = close != std::string_view::npos &&
                        EqualsIgnoringCase(Trim(line.substr(1, close - 1)), "DEVICES");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inDevices || equals == std::string_view::npos) {
            continue;
        }
        const int port = PortOfKey(Trim(line.substr(0, equals)));
        if (port == 0) {
            continue;
        }
        std::string value = UnescapeIniValue(Trim(line.substr(equals + 1)));
        table[static_cast<std::size_t>(port - 1)] =
            value.empty() ? std::nullopt : std::optional<std::string>(std::move(value));
    }
    return table;
}

DeviceTable ReadDevicesFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {};
    }
    // A settings file is small; anything beyond 1 MiB is not ours and is ignored.
    constexpr std::size_t kMaxBytes = 1 << 20;
    std::string text(kMaxBytes, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return ParseDevicesSection(text);
}

PortDeviceLookup LookupFromTable(DeviceTable table) {
    return [table = std::move(table)](int portNumber) -> std::optional<std::string> {
        if (portNumber < 1 || portNumber > kPortCount) {
            return std::nullopt;
        }
        return table[static_cast<std::size_t>(portNumber - 1)];
    };
}

PortDeviceLookup FixedDeviceLookup(std::string path) {
    return [path = std::move(path)](int) -> std::optional<std::string> { return path; };
}

}  // namespace zt30::cli

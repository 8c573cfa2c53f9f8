#include "link/win32_serial_backend.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace zt30 {
namespace {

DWORD ToDword(std::size_t n) {
    return n > std::numeric_limits<DWORD>::max() ? std::numeric_limits<DWORD>::max() : static_cast<DWORD>(n);
}

// The reason of a failed CreateFileA; a port that another program holds is refused as "access denied".
std::string OpenErrorReason(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "no such device";
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return "busy or access denied";
        default:
            return "system error " + std::to_string(error);
    }
}

}  // namespace

Win32SerialBackend::~Win32SerialBackend() {
    ClosePort();
}

bool Win32SerialBackend::OpenPort(int portNumber) {
    ClosePort();
    const std::optional<std::string> name = Win32DeviceForPort(portNumber, lookup_);
    if (!name) {
        return false;
    }
    handle_ = CreateFileA(name->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD error = GetLastError();
    haveDcb_ = false;
    openFailure_ = IsOpen() ? std::string() : *name + ": " + OpenErrorReason(error);
    return IsOpen();
}

bool Win32SerialBackend::SetQueues(std::size_t inputBytes, std::size_t outputBytes) {
    return IsOpen() && SetupComm(handle_, ToDword(inputBytes), ToDword(outputBytes)) != 0;
}

bool Win32SerialBackend::SetReadTimeouts(const ReadTimeouts& timeouts) {
    if (!IsOpen()) {
        return false;
    }
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.intervalMs;
    t.ReadTotalTimeoutMultiplier = timeouts.totalMultiplierMs;
    t.ReadTotalTimeoutConstant = timeouts.totalConstantMs;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = 0;
    if (SetCommTimeouts(handle_, &t) == 0) {
        return false;
    }
    intervalMs_ = timeouts.intervalMs;
    return true;
}

bool Win32SerialBackend::GetConfig(LineConfig& config) {
    if (!IsOpen()) {
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (GetCommState(handle_, &dcb) == 0) {
        return false;
    }
    dcb_ = dcb;
    haveDcb_ = true;
    LineConfig c;
    c.baudRate = dcb.BaudRate;
    c.dataBits = dcb.ByteSize;
    c.parity = dcb.Parity == EVENPARITY ? Parity::Even : dcb.Parity == ODDPARITY ? Parity::Odd : Parity::None;
    c.stopBits = dcb.StopBits == TWOSTOPBITS ? 2 : 1;
    c.binaryMode = dcb.fBinary != 0;
    c.parityCheck = dcb.fParity != 0;
    c.discardNull = dcb.fNull != 0;
    c.abortOnError = dcb.fAbortOnError != 0;
    config = c;
    return true;
}

bool Win32SerialBackend::SetConfig(const LineConfig& config) {
    if (!IsOpen() || (config.stopBits != 1 && config.stopBits != 2)) {
        return false;
    }
    if (!haveDcb_) {
        LineConfig ignored;
        if (!GetConfig(ignored)) {
            return false;
        }
    }
    DCB dcb = dcb_;
    dcb.BaudRate = config.baudRate;
    dcb.ByteSize = config.dataBits;
    dcb.Parity = config.parity == Parity::Even  ? EVENPARITY
                 : config.parity == Parity::Odd ? ODDPARITY
                                                : NOPARITY;
    dcb.StopBits = config.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = config.binaryMode ? 1 : 0;
    dcb.fParity = config.parityCheck ? 1 : 0;
    dcb.fNull = config.discardNull ? 1 : 0;
    dcb.fAbortOnError = config.abortOnError ? 1 : 0;
    if (SetCommState(handle_, &dcb) == 0) {
        return false;
    }
    dcb_ = dcb;
    return true;
}

void Win32SerialBackend::PurgeReceive() {
    if (IsOpen()) {
        PurgeComm(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
    }
}

void Win32SerialBackend::PurgeTransmit() {
    if (IsOpen()) {
        PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
    }
}

ReadResult Win32SerialBackend::Read(std::span<std::uint8_t> buffer) {
    ReadResult result;
    if (!IsOpen()) {
        return result;
    }
    DWORD got = 0;
    const auto start = std::chrono::steady_clock::now();
    result.ok = ReadFile(handle_, buffer.data(), ToDword(buffer.size()), &got, nullptr) != 0;
    const auto end = std::chrono::steady_clock::now();
    result.count = got > buffer.size() ? buffer.size() : got;
    if (result.count > 0) {
        // ReadFile tells no arrival times. A read that got every byte it asked for ended with its last byte;
        // a shorter one ended by the interval time-out after it. The bytes of an answer follow one another at
        // the line's speed, which places the first. An estimate, for the line monitor's response times.
        const std::int64_t elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(end - start).count();
        const std::int64_t last = result.count == buffer.size()
                                      ? elapsed
                                      : std::max<std::int64_t>(0, elapsed - std::int64_t{intervalMs_} * 1000);
        const std::int64_t byteUs =
            haveDcb_ && dcb_.BaudRate > 0 ? 11'000'000 / std::int64_t{dcb_.BaudRate} : 0;
        result.lastByteUs = last;
        result.firstByteUs =
            std::max<std::int64_t>(0, last - static_cast<std::int64_t>(result.count - 1) * byteUs);
    }
    return result;
}

bool Win32SerialBackend::Write(std::span<const std::uint8_t> data) {
    if (!IsOpen()) {
        return false;
    }
    if (data.size() > std::numeric_limits<DWORD>::max()) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(handle_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) != 0 &&
           written == data.size();
}

void Win32SerialBackend::ClosePort() {
    if (IsOpen()) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    haveDcb_ = false;
}

std::unique_ptr<SerialBackend> MakeLocalSerialBackend(PortDeviceLookup lookup) {
    return std::make_unique<Win32SerialBackend>(std::move(lookup));
}

}  // namespace zt30

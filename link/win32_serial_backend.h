// A COM port on Windows: the device "\\.\COMn" (or the name given for it, see Win32DeviceForPort) driven
// through the communications API (CreateFileA ... CloseHandle), which itself provides the read time-outs,
// purges and abort-on-error the line logic relies on. The line configuration (DCB) read from the system stays
// here, so only the fields the program sets are ever changed.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "link/com_ports.h"
#include "link/serial_line.h"

namespace zt30 {

class Win32SerialBackend final : public SerialBackend {
public:
    // lookup: a device name given for a port number instead of its own (may be empty).
    explicit Win32SerialBackend(PortDeviceLookup lookup) : lookup_(std::move(lookup)) {}
    Win32SerialBackend(const Win32SerialBackend&) = delete;
    Win32SerialBackend& operator=(const Win32SerialBackend&) = delete;
    ~Win32SerialBackend() override;

    bool OpenPort(int portNumber) override;
    bool SetQueues(std::size_t inputBytes, std::size_t outputBytes) override;
    bool SetReadTimeouts(const ReadTimeouts& timeouts) override;
    bool GetConfig(LineConfig& config) override;
    bool SetConfig(const LineConfig& config) override;
    void PurgeReceive() override;
    void PurgeTransmit() override;
    ReadResult Read(std::span<std::uint8_t> buffer) override;
    bool Write(std::span<const std::uint8_t> data) override;
    void ClosePort() override;
    std::string OpenFailureDetail() const override { return openFailure_; }

private:
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    PortDeviceLookup lookup_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::string openFailure_;
    DCB dcb_{};
    bool haveDcb_ = false;
    DWORD intervalMs_ = 0;  // the read interval time-out, for the byte times' estimate
};

}  // namespace zt30

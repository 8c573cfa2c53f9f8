// The commands of zt30ctl. Each takes the device operations over an open line and the two output streams,
// talks to the instrument, prints its result on `out` and at most one error line on `err`, and returns the
// exit status. main() opens the line before and closes it after; `ports` needs no line.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "cli/ini_devices.h"
#include "cli/parameters.h"
#include "config/regional_settings.h"
#include "link/clock.h"
#include "link/device.h"

namespace zt30::cli {

// The program's own texts for a failed exchange.
inline constexpr char kReadFailed[] = "Chyba při čtení";
inline constexpr char kWriteFailed[] = "Chyba při zápisu";

struct CommandContext {
    DeviceOperations& ops;
    Clock& clock;
    std::ostream& out;
    std::ostream& err;
};

struct WatchSettings {
    std::optional<long> count;              // readings to take; none means until stopRequested
    std::optional<std::string> recordFile;  // lines are appended here too
    RegionalSettings regional;  // the decimal separator and the date and time formats of the lines
    std::function<bool()> stopRequested = [] { return false; };
    std::function<LocalDateTime()> localTime;  // the local time of a reading; the system's when empty
};

// Prints "COMn  device" for COM1..COM8.
int RunPorts(const DeviceTable& table, std::ostream& out);
// Station status of the current DA.
int RunStatus(CommandContext& context);
// Probes from..to (the broadcast address 127 included when asked), restoring DA after each probe.
int RunScan(CommandContext& context, int from, int to);
int RunRead(CommandContext& context);
// One reading a second on the clock; a record file that cannot be opened at the start fails at once.
int RunWatch(CommandContext& context, const WatchSettings& settings);
int RunParams(CommandContext& context);
// Reads the parameter's table, applies the change and writes the table back.
int RunSet(CommandContext& context, const SetRequest& request);
int RunClear(CommandContext& context, bool sum);
// Type and version, or the foreign device's texts (exit status 3).
int RunIdent(CommandContext& context);
// Reads table 5, writes the new address, then follows it and checks the instrument answers there.
int RunAddress(CommandContext& context, std::uint8_t newAddress);

}  // namespace zt30::cli

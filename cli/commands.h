// The commands of zt30ctl. Each takes the device operations over an open line and the two output streams,
// talks to the instrument, prints its result on `out` and at most one error line on `err`, and returns the
// exit status. main() opens the line before and closes it after; `ports` needs no line. `scan` and `watch`
// ask after a failed exchange whether the line itself is gone, and end with its error when it is.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/configured_devices.h"
#include "cli/parameters.h"
#include "config/regional_settings.h"
#include "link/clock.h"
#include "link/device.h"
#include "link/link_statistics.h"
#include "views/measurement_recorder.h"
#include "views/record_file.h"

namespace zt30::cli {

// The program's own texts for a failed exchange.
inline constexpr char kReadFailed[] = "Chyba při čtení";
inline constexpr char kWriteFailed[] = "Chyba při zápisu";
inline constexpr char kOutputFailed[] = "zt30ctl: standard output cannot be written";

struct CommandContext {
    DeviceOperations& ops;
    Clock& clock;
    std::ostream& out;
    std::ostream& err;
    // After a failed exchange: the line's error when the line itself is gone, else nullopt (see LineCheck).
    // Without it the line is taken to be there.
    std::function<std::optional<std::string>()> lineGone = {};
};

struct WatchSettings {
    std::optional<long> count;              // readings to take; none means until stopRequested
    std::optional<std::string> recordFile;  // lines are appended here too
    RegionalSettings regional;  // the decimal separator and the date and time formats of the lines
    std::function<bool()> stopRequested = [] { return false; };
    std::function<LocalDateTime()> localTime;  // the local time of a reading; the system's when empty
    // The traffic statistics whose summary ends every watch; none: no summary.
    const LinkStatistics* statistics = nullptr;
};

// True when path names something other than a regular file (a FIFO, a device, a folder): the tool never
// opens such a path as a record or parameter file, since a FIFO without its other end blocks the open.
bool NotRegularFile(const std::string& path);

// The system's record files, except that a path that is not a regular file is never opened.
std::unique_ptr<RecordFileSystem> MakeRegularRecordFiles();

// A record file's outage is over but lines were dropped: "PATH is written again; the N oldest kept lines
// were dropped".
std::string LinesDroppedText(const std::string& path, std::uint64_t dropped);
// The end of a recorded run: the kept lines' last attempt, then "PATH: K record lines not written, D dropped"
// when any are lost (droppedBefore: those already told during the run), else empty.
std::string FinishRecord(MeasurementRecorder& recorder, std::uint64_t droppedBefore);

// The system's local date and time now.
LocalDateTime SystemLocalTime();

// Prints "COMn  device" for COM1..COM8; a port whose setting cannot be read is left out, and the first such
// error ends the list on `err` with status 1.
int RunPorts(const ConfiguredDevices& devices, std::ostream& out, std::ostream& err);
// Station status of the current DA.
int RunStatus(CommandContext& context);
// Probes from..to (the broadcast address 127 included when asked), restoring DA after each probe; ends with
// the line's error when the line is gone.
int RunScan(CommandContext& context, int from, int to);
int RunRead(CommandContext& context);
// One reading a second on the clock; a record file that cannot be opened at the start fails at once. Its
// lines go through the program's measurement recorder: a line that cannot be written is kept and written in
// order once the file is back, an outage is reported once, and at the end the kept lines get one more
// attempt; lines still unwritten or dropped are then counted on `err`. A failed reading is reported and the
// watch goes on; a gone line or an output that cannot be written ends it. The watch ends with the summary of
// settings.statistics on `err`, however it ends.
int RunWatch(CommandContext& context, const WatchSettings& settings);
int RunParams(CommandContext& context);
// Reads the parameter's table, applies the change and writes the table back.
int RunSet(CommandContext& context, const SetRequest& request);
int RunClear(CommandContext& context, bool sum);
// Type and version, or the foreign device's texts (exit status 3).
int RunIdent(CommandContext& context);
// Reads table 5, writes the new address, then follows it and checks the instrument answers there.
int RunAddress(CommandContext& context, std::uint8_t newAddress);

// The exit status once a command has printed everything: status, or 1 with kOutputFailed on `err` when `out`
// could not be written (a full disk, a closed terminal) and the command had not failed already.
int FinishOutput(std::ostream& out, std::ostream& err, int status);

}  // namespace zt30::cli

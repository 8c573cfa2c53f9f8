// The command line of zt30ctl: the command, the link options (port or device, speed, the two bus addresses)
// and the options of single commands, parsed by pure functions from the argument list into Options, with
// the help texts. Nothing here touches the line; main() and the command functions take the result.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zt30::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // communication failure or the instrument refused
inline constexpr int kExitUsage = 2;    // bad arguments
inline constexpr int kExitForeign = 3;  // ident: a device of another kind answered
inline constexpr int kExitDiffers = 4;  // diff: the instrument's parameters differ from the file

enum class Command {
    None,
    Ports,
    Status,
    Scan,
    Read,
    Watch,
    Params,
    Set,
    Clear,
    Ident,
    Address,
    Backup,
    Restore,
    Diff,
    Log
};

struct Options {
    Command command = Command::None;
    bool help = false;
    int port = 1;  // COM1..COM8
    std::optional<std::string> device;
    int baudRate = 9600;
    int destinationAddress = 1;
    int sourceAddress = 0;
    int scanFrom = 0;  // scan: first and last address probed
    int scanTo = 127;
    std::optional<long> count;  // watch: number of readings; none means until interrupted
    std::optional<std::string> recordFile;
    bool dryRun = false;  // restore: compare only
    bool trace = false;   // every frame on standard error
    bool stats = false;   // the traffic summary on standard error at the end (watch always prints it)
    std::vector<std::string>
        arguments;  // the command's own arguments (set NAME VALUE, clear WHAT, address NEW, backup FILE)
};

struct ParseResult {
    Options options;
    std::string error;  // empty on success; else one line for standard error
};

// Parses the arguments after the program name. Options may stand before or after the command and take their
// value as "--opt VALUE" or "--opt=VALUE"; an argument that starts with "-" and a digit or "." is a value
// (a negative number), any other one an option. "--help" or "-h" anywhere asks for help and skips the
// checks of options and arguments, not the command's name. "--" ends the options.
ParseResult ParseArguments(std::span<const std::string_view> args);

// The command's name as typed, and the command of a typed name (Command::None for an unknown one).
std::string_view CommandName(Command command);
Command CommandFromName(std::string_view name);

// The help text of one command, or the overview for Command::None.
std::string HelpText(Command command);

}  // namespace zt30::cli

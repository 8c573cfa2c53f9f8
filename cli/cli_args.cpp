#include "cli/cli_args.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "cli/printable.h"
#include "link/port_settings.h"

namespace zt30::cli {

namespace {

struct CommandInfo {
    Command command;
    std::string_view name;
    int argumentCount;
};

constexpr CommandInfo kCommands[] = {
    {Command::Ports, "ports", 0},     {Command::Status, "status", 0}, {Command::Scan, "scan", 0},
    {Command::Read, "read", 0},       {Command::Watch, "watch", 0},   {Command::Params, "params", 0},
    {Command::Set, "set", 2},         {Command::Clear, "clear", 1},   {Command::Ident, "ident", 0},
    {Command::Address, "address", 1},
};

const CommandInfo* FindCommand(Command command) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [command](const CommandInfo& info) { return info.command == command; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

constexpr std::string_view kLinkOptionsHelp =
    "Link options:\n"
#ifdef _WIN32
    "  --port N       COM port 1..8 (default 1), the device COMn\n"
    "  --device NAME  use the device NAME (COM12, \\\\.\\COM12) as the port; messages still name the port\n"
    "                 as COMn (COM1 unless --port is given)\n"
#else
    "  --port N       COM port 1..8 (default 1); its device is the COMn entry of section [DEVICES] in\n"
    "                 $XDG_CONFIG_HOME/OrvZT30.ini (or ~/.config/OrvZT30.ini), else /dev/ttyS(N-1)\n"
    "  --device PATH  use PATH as the port's device whatever the settings say; messages still name the\n"
    "                 port as COMn (COM1 unless --port is given)\n"
#endif
    "  --baud RATE    line speed: 110 300 600 1200 2400 4800 9600 19200 38400 56000 57600 115200 128000\n"
    "                 256000 (default 9600)\n"
    "  --da ADDR      the instrument's bus address 0..126 (default 1)\n"
    "  --sa ADDR      this computer's bus address 0..126 (default 0)\n"
    "  -h, --help     show help (zt30ctl COMMAND --help for one command)\n";

constexpr std::string_view kExitHelp =
    "Exit status: 0 success, 1 communication failure (one line on standard error), 2 bad arguments";

std::string CommandHelp(Command command) {
    switch (command) {
        case Command::Ports:
            return "Usage: zt30ctl ports\n"
                   "Prints the device of each COM port COM1..COM8, as the settings file maps it.\n";
        case Command::Status:
            return "Usage: zt30ctl status [link options]\n"
                   "Sends the station status request to the instrument address (--da) and reports whether a\n"
                   "station acknowledged it.\n";
        case Command::Scan:
            return "Usage: zt30ctl scan [--from A] [--to B] [link options]\n"
                   "Probes the bus addresses A..B (default 0..127) with the station status request and "
                   "prints\n"
                   "each address that answered, one per line. A probe without answer takes about 0.5 s.\n"
                   "Fails when no station answered.\n";
        case Command::Read:
            return "Usage: zt30ctl read [link options]\n"
                   "Reads the measured value and the sum (table 0) and prints them.\n";
        case Command::Watch:
            return "Usage: zt30ctl watch [--count N] [--record FILE] [link options]\n"
                   "Reads the measured value and the sum once a second until interrupted (Ctrl+C) or N\n"
                   "readings have been taken, and prints each as a record line: value; sum; date; time;\n"
                   "with the decimal separator, date and time of the regional settings (LC_NUMERIC, "
                   "LC_TIME).\n"
                   "With --record each line is also appended to FILE (CR LF line ends). A failed reading\n"
                   "is reported on standard error and not recorded; the exit status is then 1.\n";
        case Command::Params:
            return "Usage: zt30ctl params [link options]\n"
                   "Reads tables 1 to 4 and prints every parameter in its display form, and the six\n"
                   "CONFIG switches with their texts.\n";
        case Command::Set:
            return "Usage: zt30ctl set NAME VALUE [link options]\n"
                   "Changes one parameter: reads its table, changes the one value and writes the table "
                   "back.\n"
                   "NAME: FUNC, DP, FACTOR (VALUE: the list position 0.., the list text, or its first word,\n"
                   "e.g. RATE), SCALE, OFFSET, SP.LO, SP.HI, HYSTER, AN.LO, AN.HI (a decimal number with\n"
                   "\".\", e.g. -2.5E1), FILTR (0..59999), or a CONFIG switch: VSTUP, KOMPAR_OUT2, RESET,\n"
                   "ALARM_OUT1, TIME_OUT, AOUT (VALUE 0 or 1; see zt30ctl params). Writing CONFIG clears "
                   "its\n"
                   "unused bits 6 and 7, as the parameters dialog does.\n";
        case Command::Clear:
            return "Usage: zt30ctl clear counter|sum [link options]\n"
                   "Clears the instrument's counter or its sum.\n";
        case Command::Ident:
            return "Usage: zt30ctl ident [link options]\n"
                   "Reads the instrument's type and version texts. When neither answer is valid but a device "
                   "of\n"
                   "another kind answers, prints its three texts and exits with status 3.\n";
        case Command::Address:
            return "Usage: zt30ctl address NEW [link options]\n"
                   "Reads the instrument's address (table 5) at --da, writes the new address NEW (0..126) "
                   "and\n"
                   "checks that the instrument answers at it. Later commands need --da NEW.\n";
        case Command::None:
            break;
    }
    return {};
}

// An option's value from "--opt=VALUE" or the next argument.
struct OptionValue {
    std::optional<std::string_view> value;
    bool consumedNext = false;
};

}  // namespace

std::optional<long> ParseBoundedInt(std::string_view text, long low, long high) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::string_view CommandName(Command command) {
    const CommandInfo* info = FindCommand(command);
    return info ? info->name : std::string_view{};
}

Command CommandFromName(std::string_view name) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [name](const CommandInfo& info) { return info.name == name; });
    return it == std::end(kCommands) ? Command::None : it->command;
}

std::string HelpText(Command command) {
    std::string text;
    if (command == Command::None) {
        text =
            "Usage: zt30ctl COMMAND [ARGUMENTS] [options]\n"
            "Talks to a ZANTOR 30 instrument on a serial line.\n\n"
            "Commands:\n"
            "  ports              the device of each COM port\n"
            "  status             ask the instrument address for its station status\n"
            "  scan               list the bus addresses that answer\n"
            "  read               measured value and sum\n"
            "  watch              one reading a second, optionally recorded to a file\n"
            "  params             all parameters\n"
            "  set NAME VALUE     change one parameter\n"
            "  clear counter|sum  clear the counter or the sum\n"
            "  ident              the instrument's type and version\n"
            "  address NEW        give the instrument a new bus address\n\n";
    } else {
        text = CommandHelp(command) + "\n";
    }
    if (command != Command::Ports) {
        text += kLinkOptionsHelp;
    }
    text += "\n";
    text += kExitHelp;
    text +=
        command == Command::Ident || command == Command::None ? ", 3 ident found a foreign device.\n" : ".\n";
    return text;
}

ParseResult ParseArguments(std::span<const std::string_view> args) {
    ParseResult result;
    Options& options = result.options;
    std::vector<std::string_view> positional;
    struct Pending {
        std::string_view name;
        std::string_view value;
    };
    std::vector<Pending> pending;

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.front() != '-' || (arg[1] != '-' && arg != "-h")) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const std::size_t equals = arg.find('='); equals != std::string_view::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
        }
        static constexpr std::string_view kValued[] = {"--port", "--device", "--baud",  "--da",    "--sa",
                                                       "--from", "--to",     "--count", "--record"};
        if (std::find(std::begin(kValued), std::end(kValued), name) == std::end(kValued)) {
            if (!options.help) {
                result.error = "unknown option " + PrintableArgument(name);
            }
            continue;
        }
        if (!value) {
            if (i + 1 == args.size()) {
                result.error = "option " + std::string(name) + " needs a value";
                continue;
            }
            value = args[++i];
        }
        pending.push_back({name, *value});
    }

    if (!positional.empty()) {
        options.command = CommandFromName(positional.front());
        if (options.command == Command::None && result.error.empty()) {
            result.error = "unknown command " + PrintableArgument(positional.front());
        }
        for (std::size_t i = 1; i < positional.size(); ++i) {
            options.arguments.emplace_back(positional[i]);
        }
    }
    if (options.help) {
        result.error.clear();
        return result;
    }
    if (!result.error.empty()) {
        return result;
    }
    if (options.command == Command::None) {
        result.error = "no command given (zt30ctl --help lists them)";
        return result;
    }

    const auto fail = [&result](std::string message) {
        if (result.error.empty()) {
            result.error = std::move(message);
        }
    };
    for (const Pending& option : pending) {
        const std::string name(option.name);
        const auto bounded = [&](long low, long high) {
            const std::optional<long> parsed = ParseBoundedInt(option.value, low, high);
            if (!parsed) {
                fail("option " + name + " needs a number from " + std::to_string(low) + " to " +
                     std::to_string(high) + ", not \"" + PrintableArgument(option.value) + "\"");
            }
            return parsed.value_or(0);
        };
        const auto onlyFor = [&](Command command) {
            if (options.command != command) {
                fail("option " + name + " belongs to the command " + std::string(CommandName(command)));
                return false;
            }
            return true;
        };
        if (name == "--port") {
            options.port = static_cast<int>(bounded(1, 8));
        } else if (name == "--device") {
            if (option.value.empty()) {
                fail("option --device needs a path");
            }
            options.device = std::string(option.value);
        } else if (name == "--baud") {
            const long rate = bounded(1, 10000000);
            if (rate != 0 &&
                std::find(std::begin(kBaudRates), std::end(kBaudRates), rate) == std::end(kBaudRates)) {
                fail("option --baud: " + PrintableArgument(option.value) + " is not one of the line speeds");
            }
            options.baudRate = static_cast<int>(rate);
        } else if (name == "--da") {
            options.destinationAddress = static_cast<int>(bounded(0, 126));
        } else if (name == "--sa") {
            options.sourceAddress = static_cast<int>(bounded(0, 126));
        } else if (name == "--from") {
            if (onlyFor(Command::Scan)) {
                options.scanFrom = static_cast<int>(bounded(0, 127));
            }
        } else if (name == "--to") {
            if (onlyFor(Command::Scan)) {
                options.scanTo = static_cast<int>(bounded(0, 127));
            }
        } else if (name == "--count") {
            if (onlyFor(Command::Watch)) {
                options.count = bounded(1, 1000000000);
            }
        } else if (name == "--record") {
            if (onlyFor(Command::Watch)) {
                if (option.value.empty()) {
                    fail("option --record needs a file name");
                }
                options.recordFile = std::string(option.value);
            }
        }
    }
    if (!result.error.empty()) {
        return result;
    }
    if (options.scanFrom > options.scanTo) {
        result.error = "scan: --from must not be above --to";
        return result;
    }
    const int expected = FindCommand(options.command)->argumentCount;
    if (static_cast<int>(options.arguments.size()) != expected) {
        result.error =
            std::string(CommandName(options.command)) + ": expects " +
            (expected == 0 ? std::string("no arguments") : std::to_string(expected) + " argument(s)") +
            " (zt30ctl " + std::string(CommandName(options.command)) + " --help)";
        return result;
    }
    if (options.command == Command::Clear && options.arguments[0] != "counter" &&
        options.arguments[0] != "sum") {
        result.error =
            "clear: expects counter or sum, not \"" + PrintableArgument(options.arguments[0]) + "\"";
    }
    return result;
}

}  // namespace zt30::cli

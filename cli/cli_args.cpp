#include "cli/cli_args.h"

#include <algorithm>
#include <iterator>

#include "base/text_rules.h"
#include "cli/printable.h"
#include "link/network_address.h"
#include "link/port_settings.h"
#include "views/settings_store.h"

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
    {Command::Address, "address", 1}, {Command::Backup, "backup", 1}, {Command::Restore, "restore", 1},
    {Command::Diff, "diff", 1},       {Command::Log, "log", 1},
};

const CommandInfo* FindCommand(Command command) {
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [command](const CommandInfo& info) { return info.command == command; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

constexpr std::string_view kOtherLinkOptionsHelp =
#ifdef _WIN32
    "  --device NAME  use the device NAME (COM12, \\\\.\\COM12) as the port; messages still name the port\n"
    "                 as COMn (COM1 unless --port is given)\n"
#else
    "  --device PATH  use PATH as the port's device whatever the settings say; messages still name the\n"
    "                 port as COMn (COM1 unless --port is given)\n"
#endif
    "                 A serial device server's port is rfc2217://HOST:PORT (the tool sets its speed)\n"
    "                 or tcp://HOST:PORT (raw bytes, the speed set on the server)\n"
    "  --baud RATE    line speed: 110 300 600 1200 2400 4800 9600 19200 38400 56000 57600 115200 128000\n"
    "                 256000 (default 9600)\n"
    "  --da ADDR      the instrument's bus address 0..126 (default 1)\n"
    "  --sa ADDR      this computer's bus address 0..126 (default 0)\n"
    "  --trace        print every frame on standard error: time, direction (-> sent, <- received), the\n"
    "                 bytes in hex, their meaning and what the tool made of them\n"
    "  --stats        end with the traffic summary on standard error: requests, accepted answers,\n"
    "                 failures by kind, re-sends and the response time (end of the request to the last\n"
    "                 answer byte) minimum, median and maximum; watch always ends with it\n"
    "  -h, --help     show help (zt30ctl COMMAND --help for one command)\n";

std::string LinkOptionsHelp() {
#ifdef _WIN32
    return "Link options:\n"
           "  --port N       COM port 1..8 (default 1), the device COMn\n" +
           std::string(kOtherLinkOptionsHelp);
#else
    const std::string file(kSettingsKeyName);
    return "Link options:\n"
           "  --port N       COM port 1..8 (default 1); its device is the COMn entry of section [DEVICES] "
           "in\n"
           "                 $XDG_CONFIG_HOME/" +
           file + ".ini (or ~/.config/" + file + ".ini), else /dev/ttyS(N-1)\n" +
           std::string(kOtherLinkOptionsHelp);
#endif
}
constexpr std::string_view kParamFileHelp =
    "\nThe parameter file is UTF-8 text in INI form, for example:\n"
    "  [ZANTOR30]                     where it came from; never sent to an instrument\n"
    "  DATUM = 2025-01-31 14:05:09    local date and time of the backup\n"
    "  TYP = ZANTOR 30                the type and version texts, when the instrument answered them\n"
    "  VERZE = 1.0\n"
    "  ADRESA = 1                     the bus address it was read at (restore writes to --da)\n"
    "  [PARAMETRY]\n"
    "  FUNC = 1 ; RATE (kmitočtoměr)  FUNC, DP, FACTOR: the list position, the item text, or its first\n"
    "                                 word when no other item starts with it\n"
    "  SCALE = 2.5                    SCALE, OFFSET, SP.LO, SP.HI, HYSTER, AN.LO, AN.HI: a decimal number\n"
    "                                 with \".\" (backup writes the shortest text that reads back as the\n"
    "                                 same float), or 0x and the eight hex digits of its IEEE 754 bits\n"
    "                                 (how backup keeps a value that is not a number)\n"
    "  FILTR = 10000                  0..59999\n"
    "  CONFIG = 21                    two hex digits, the switches bit 0 VSTUP, 1 KOMPAR_OUT2, 2 RESET,\n"
    "                                 3 ALARM_OUT1, 4 TIME_OUT, 5 AOUT; or single switches instead of it:\n"
    "  AOUT = 1                       0, 1 or the item text (zt30ctl set --help); bits 6 and 7 cleared\n"
    "Names and sections may be in any case. A line starting with \";\" or \"#\" is a comment, and so is\n"
    "what follows \";\" after a value in [PARAMETRY]. A file may name only some parameters: the others stay\n"
    "as they are. A file with an unknown section or name, a value out of range, a name given twice (or a\n"
    "switch together with CONFIG), or bytes that are not text is refused as a whole, with its line number\n"
    "and exit status 2, and nothing is sent to the instrument.\n";

constexpr std::string_view kExitHelp =
    "Exit status: 0 success, 1 communication failure (one line on standard error), 2 bad arguments";

// Text broken into lines of at most 104 characters at its blanks.
std::string Wrapped(const std::string& text) {
    constexpr std::size_t kWidth = 104;
    std::string out;
    std::size_t lineStart = 0;
    std::size_t lastBlank = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == ' ') {
            lastBlank = out.size() - 1;
        }
        if (out.size() - lineStart > kWidth && lastBlank != std::string::npos && lastBlank > lineStart) {
            out[lastBlank] = '\n';
            lineStart = lastBlank + 1;
            lastBlank = std::string::npos;
        }
    }
    return out;
}

std::string CommandHelp(Command command) {
    switch (command) {
        case Command::Ports:
            return "Usage: zt30ctl ports\n"
                   "Prints the device of each COM port COM1..COM8, as the settings file maps it. A port\n"
                   "whose entry cannot be read (not UTF-8 text, or the file itself unreadable) is left out\n"
                   "and reported; the exit status is then 1.\n";
        case Command::Status:
            return "Usage: zt30ctl status [link options]\n"
                   "Sends the station status request to the instrument address (--da) and reports whether a\n"
                   "station acknowledged it.\n";
        case Command::Scan:
            return "Usage: zt30ctl scan [--from A] [--to B] [link options]\n"
                   "Probes the bus addresses A..B (default 0..127) with the station status request and\n"
                   "prints each address that answered, one per line. A probe without answer takes about\n"
                   "0.5 s. Fails when no station answered, and ends with the line's error when the line\n"
                   "itself fails (the device removed or hung up, and the port no longer opening).\n";
        case Command::Read:
            return "Usage: zt30ctl read [link options]\n"
                   "Reads the measured value and the sum (table 0) and prints them.\n";
        case Command::Watch:
            return "Usage: zt30ctl watch [--count N] [--record FILE] [link options]\n"
                   "Reads the measured value and the sum once a second until interrupted (Ctrl+C) or N\n"
                   "readings have been taken, and prints each as a record line: value; sum; date; time;\n"
                   "with the decimal separator, date and time of the regional settings (LC_NUMERIC,\n"
                   "LC_TIME). With --record each line is also appended to FILE (CR LF line ends).\n"
                   "A failed reading (no answer, a damaged answer) is reported on standard error and not\n"
                   "recorded, and the watch goes on; the exit status is then 1. When the line itself is\n"
                   "gone (the device removed or hung up, and the port no longer opening), the watch ends\n"
                   "with the line's error, as the program's automatic reading switches itself off.\n"
                   "At its end the watch prints the traffic summary (see --stats) on standard error.\n";
        case Command::Params:
            return "Usage: zt30ctl params [link options]\n"
                   "Reads tables 1 to 4 and prints every parameter in its display form, and the six\n"
                   "CONFIG switches with their texts.\n";
        case Command::Set:
            return "Usage: zt30ctl set NAME VALUE [link options]\n"
                   "Changes one parameter: reads its table, changes the one value and writes the table\n"
                   "back. NAME: FUNC, DP, FACTOR (VALUE: the list position 0.., the list text, or its first\n"
                   "word when no other item starts with it, e.g. RATE), SCALE, OFFSET, SP.LO, SP.HI,\n"
                   "HYSTER, AN.LO, AN.HI (a decimal number with \".\", e.g. -2.5E1), FILTR (0..59999), or a\n"
                   "CONFIG switch: VSTUP, KOMPAR_OUT2, RESET, ALARM_OUT1, TIME_OUT, AOUT (VALUE 0 or 1, or\n"
                   "the item text; see zt30ctl params). Writing CONFIG clears its unused bits 6 and 7, as\n"
                   "the parameters dialog does.\n";
        case Command::Clear:
            return "Usage: zt30ctl clear counter|sum [link options]\n"
                   "Clears the instrument's counter or its sum.\n";
        case Command::Ident:
            return "Usage: zt30ctl ident [link options]\n"
                   "Reads the instrument's type and version texts. When neither answer is valid but a\n"
                   "device of another kind answers, prints its three texts and exits with status 3.\n"
                   "With no answer at all it waits up to 5.35 s: the type is asked twice, each answer\n"
                   "awaited up to 1.01 s with 0.1 s between, the version the same way after 0.05 s, and\n"
                   "after another 0.05 s the other kind's answer up to 1.01 s; the five requests' own time\n"
                   "on the line comes on top (about 0.01 s each at 9600 bit/s, 1 s at 110 bit/s).\n";
        case Command::Address:
            return "Usage: zt30ctl address NEW [link options]\n"
                   "Reads the instrument's address (table 5) at --da, writes the new address NEW (0..126)\n"
                   "and checks that the instrument answers at it. Later commands need --da NEW.\n";
        case Command::Backup:
            return "Usage: zt30ctl backup FILE [link options]\n"
                   "Reads the parameters (tables 1 to 4) and the type and version texts, and saves them to\n"
                   "FILE, which is replaced whole. Nothing is saved when a table cannot be read.\n" +
                   std::string(kParamFileHelp);
        case Command::Restore:
            return "Usage: zt30ctl restore FILE [--dry-run] [link options]\n"
                   "Reads tables 1 to 4, applies the values of FILE, writes only the tables that then "
                   "differ\n"
                   "and reads those back, comparing them byte for byte. Prints each parameter that changes\n"
                   "(old -> new); fails when a write is not acknowledged or a table reads back otherwise.\n"
                   "With --dry-run it only prints the changes and the tables it would write.\n" +
                   std::string(kParamFileHelp);
        case Command::Diff:
            return "Usage: zt30ctl diff FILE [link options]\n"
                   "Reads tables 1 to 4 and prints each parameter whose value differs from FILE (instrument\n"
                   "-> file). Exit status 0 when none differs, 4 when some do.\n" +
                   std::string(kParamFileHelp);
        case Command::Log:
            return "Usage: zt30ctl log CONFIG\n"
                   "The logging service: reads every station of every line of the configuration file\n"
                   "CONFIG (table 0, once per INTERVAL), appends each reading to the station's record file\n"
                   "FOLDER/LINE-DA.txt and publishes it to the MQTT broker as TOPIC/LINE/DA/reading\n"
                   "({\"time\":...,\"value\":...,\"sum\":...}, QoS 1), with TOPIC/LINE/DA/state (\"ok\" or\n"
                   "\"no answer\", retained) and TOPIC/status (\"online\" or \"offline\", retained). Each "
                   "line\n"
                   "runs on its own; its DEVICE is COM1..COM8 (the settings file's devices), a device path,\n"
                   "rfc2217://HOST:PORT or tcp://HOST:PORT. Readings taken while the broker is away are\n"
                   "kept and published in order when it is back. SIGTERM or Ctrl+C ends the service within\n"
                   "2 s with status 0. Messages go to standard error, one line each with its level.\n"
                   "A configuration that is refused (exit status 2) is told with its file, line and reason.\n"
                   "See the README, \"Logging many instruments\", for the file's form.\n";
        case Command::None:
            break;
    }
    return {};
}

// One option: its name, the command it belongs to, the value it takes and where that goes. A number must lie
// in [low, high] (and be one of `choices` when there are any); a text value (low > high) must not be empty.
struct OptionInfo {
    std::string_view name;
    Command onlyFor;         // Command::None: a link option, good for every command
    std::string_view wants;  // completes "option NAME needs ..."
    long long low;
    long long high;
    void (*store)(Options& options, std::string_view text, long long number);
    std::span<const int> choices = {};
    bool flag = false;  // takes no value
};

constexpr OptionInfo kOptions[] = {
    {"--port", Command::None, "a port number 1..8", 1, 8,
     [](Options& o, std::string_view, long long n) { o.port = static_cast<int>(n); }},
    {"--device", Command::None, "a device path", 1, 0,
     [](Options& o, std::string_view text, long long) { o.device = std::string(text); }},
    {"--baud", Command::None,
     "a line speed (110 300 600 1200 2400 4800 9600 19200 38400 56000 57600 115200 "
     "128000 256000)",
     1, 10000000, [](Options& o, std::string_view, long long n) { o.baudRate = static_cast<int>(n); },
     kBaudRates},
    {"--da", Command::None, "an address 0..126", 0, 126,
     [](Options& o, std::string_view, long long n) { o.destinationAddress = static_cast<int>(n); }},
    {"--sa", Command::None, "an address 0..126", 0, 126,
     [](Options& o, std::string_view, long long n) { o.sourceAddress = static_cast<int>(n); }},
    {"--from", Command::Scan, "an address 0..127", 0, 127,
     [](Options& o, std::string_view, long long n) { o.scanFrom = static_cast<int>(n); }},
    {"--to", Command::Scan, "an address 0..127", 0, 127,
     [](Options& o, std::string_view, long long n) { o.scanTo = static_cast<int>(n); }},
    {"--count", Command::Watch, "a number of readings 1..1000000000", 1, 1000000000,
     [](Options& o, std::string_view, long long n) { o.count = static_cast<long>(n); }},
    {"--record", Command::Watch, "a file name", 1, 0,
     [](Options& o, std::string_view text, long long) { o.recordFile = std::string(text); }},
    {"--dry-run",
     Command::Restore,
     "no value",
     0,
     0,
     [](Options& o, std::string_view, long long) { o.dryRun = true; },
     {},
     true},
    {"--trace",
     Command::None,
     "no value",
     0,
     0,
     [](Options& o, std::string_view, long long) { o.trace = true; },
     {},
     true},
    {"--stats",
     Command::None,
     "no value",
     0,
     0,
     [](Options& o, std::string_view, long long) { o.stats = true; },
     {},
     true},
};

const OptionInfo* FindOption(std::string_view name) {
    const auto it = std::find_if(std::begin(kOptions), std::end(kOptions),
                                 [name](const OptionInfo& info) { return info.name == name; });
    return it == std::end(kOptions) ? nullptr : &*it;
}

// "-v" and "--port" are options; "-2.5" and "-.5" are values, "-" and "" are arguments.
bool IsOption(std::string_view arg) {
    return arg.size() >= 2 && arg.front() == '-' && !(arg[1] >= '0' && arg[1] <= '9') && arg[1] != '.';
}

// An option as it appeared: its table entry and its value, if it had one.
struct GivenOption {
    const OptionInfo* info;
    std::optional<std::string_view> value;
};

// The error of one option's value, or empty when it was stored into options.
std::string ApplyOption(const GivenOption& given, Options& options) {
    const OptionInfo& info = *given.info;
    const std::string needs = "option " + std::string(info.name) + " needs " + std::string(info.wants);
    if (info.onlyFor != Command::None && info.onlyFor != options.command) {
        return "option " + std::string(info.name) + " belongs to the command " +
               std::string(CommandName(info.onlyFor));
    }
    if (info.flag) {
        if (given.value) {
            return "option " + std::string(info.name) + " takes no value";
        }
        info.store(options, {}, 0);
        return {};
    }
    if (!given.value) {
        return needs;
    }
    const std::string_view text = *given.value;
    long long number = 0;
    if (info.low > info.high) {
        if (text.empty()) {
            return needs;
        }
        if (info.name == "--device" && IsNetworkDevice(text)) {
            if (const NetworkAddressParse address = ParseNetworkAddress(text); !address.address) {
                return "option --device: \"" + PrintableArgument(text) +
                       "\" is not a network address: " + address.error;
            }
        }
    } else {
        const std::optional<long long> parsed = ParseOptionInt(text, info.low, info.high);
        if (!parsed || (!info.choices.empty() &&
                        std::find(info.choices.begin(), info.choices.end(), *parsed) == info.choices.end())) {
            return needs + ", not \"" + PrintableArgument(text) + "\"";
        }
        number = *parsed;
    }
    info.store(options, text, number);
    return {};
}

}  // namespace

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
            "  address NEW        give the instrument a new bus address\n"
            "  backup FILE        save the parameters to a file\n"
            "  restore FILE       write a file's parameters and check them by reading back\n"
            "  diff FILE          compare the parameters with a file\n"
            "  log CONFIG         the logging service: many stations and lines, record files, MQTT\n\n";
    } else {
        text = CommandHelp(command) + "\n";
    }
    if (command != Command::Ports && command != Command::Log) {
        text += LinkOptionsHelp();
    }
    std::string exit(kExitHelp);
    if (command == Command::Restore || command == Command::Diff || command == Command::None) {
        exit += " or a parameter file refused or unreadable";
    }
    if (command == Command::Ident || command == Command::None) {
        exit += ", 3 ident found a foreign device";
    }
    if (command == Command::Diff || command == Command::None) {
        exit += ", 4 diff found differences";
    }
    return text + "\n" + Wrapped(exit + ".") + "\n";
}

ParseResult ParseArguments(std::span<const std::string_view> args) {
    ParseResult result;
    Options& options = result.options;
    std::vector<std::string_view> positional;
    std::vector<GivenOption> given;
    std::string unknownOption;

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !IsOption(arg)) {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else {
            const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
            const std::string_view name = arg.substr(0, equals);
            const OptionInfo* info = FindOption(name);
            if (!info) {
                unknownOption =
                    unknownOption.empty() ? "unknown option " + PrintableArgument(name) : unknownOption;
            } else if (equals != std::string_view::npos) {
                given.push_back({info, arg.substr(equals + 1)});
            } else if (info->flag) {
                given.push_back({info, std::nullopt});
            } else if (i + 1 < args.size()) {
                given.push_back({info, args[++i]});
            } else {
                given.push_back({info, std::nullopt});
            }
        }
    }

    if (!positional.empty()) {
        options.command = CommandFromName(positional.front());
        if (options.command == Command::None) {
            result.error = "unknown command " + PrintableArgument(positional.front());
            return result;
        }
        options.arguments.assign(positional.begin() + 1, positional.end());
    }
    if (options.help) {
        return result;
    }
    if (!unknownOption.empty()) {
        result.error = unknownOption;
        return result;
    }
    if (options.command == Command::None) {
        result.error = "no command given (zt30ctl --help lists them)";
        return result;
    }
    for (const GivenOption& option : given) {
        if (std::string error = ApplyOption(option, options); !error.empty()) {
            result.error = std::move(error);
            return result;
        }
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

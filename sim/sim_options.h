// Command-line options of zt30-sim: parsed from the argument list into a plain record (pure, no I/O), with
// the help text. The record configures the responder and the pseudo-terminal host in main.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/responder.h"

namespace zt30::sim {

struct SimOptions {
    std::optional<std::string> linkPath;  // symbolic link to place at the pseudo-terminal's slave
    ResponderConfig responder;
    bool wireTime = false;  // pace answers (and time requests) as on a line at `baud`
    unsigned baud = 9600;
    bool verbose = false;
    bool help = false;
};

struct ParsedOptions {
    std::optional<SimOptions> options;  // set when the arguments were valid
    std::string error;                  // one line naming the offending argument otherwise
};

// Parses the arguments that follow the program name. Never throws; any malformed value is an error.
ParsedOptions ParseSimOptions(std::span<const std::string_view> args);

// The --help text: every option, its default, and an example of use with zt30ctl.
std::string SimHelpText();

}  // namespace zt30::sim

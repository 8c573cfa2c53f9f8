// `zt30ctl log CONFIG`: the logging service as a command. Reads and checks the configuration (a refused one
// ends with status 2 before anything is opened), connects the publisher, runs the lines until asked to
// stop, and returns the exit status.
#pragma once

#include <functional>
#include <string>

#include "config/regional_settings.h"

namespace zt30::logger {

int RunLogCommand(const std::string& configPath, const RegionalSettings& regional,
                  const std::function<bool()>& stopRequested);

}  // namespace zt30::logger

// Windows test programs that start other Windows programs (zt30ctl.exe, a probe) and read their output, and
// that name files of the build. Under Wine the build's paths are Linux paths, which Windows calls reach on
// drive Z: (the Linux root).
#pragma once

#include <string>
#include <vector>

namespace zt30::test {

struct ProgramOutput {
    unsigned long exitCode = 0xFFFFFFFF;  // also when the program could not be started or did not end
    std::string out;                      // line ends as LF, whatever the program wrote
    std::string err;
};

// A path of the build as Windows calls take it: a Linux path ("/work/...") becomes "Z:\work\...".
std::string WindowsPathOf(std::string path);

// Runs program (a path of the build) with the arguments, none holding a blank or a quote, waits up to 60 s
// and collects its standard output and error.
ProgramOutput RunWindowsProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace zt30::test

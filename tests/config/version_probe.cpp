// Prints the program's version text as the About dialog gets it, or "none". Built without a version resource,
// it shows that on Windows the text comes from the running program file.
#include <cstdio>

#include "config/program_version.h"

int main() {
    const auto version = zt30::ProgramVersion();
    std::puts(version ? version->c_str() : "none");
    return 0;
}

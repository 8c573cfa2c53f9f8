// The program's own version as the About dialog shows it. On Windows it is read from the running program
// file's version resource (string table 040504E2: Czech, code page 1250) with the version API, so the dialog
// always agrees with the file's properties; elsewhere it is the version the program was built as (the CMake
// project version that also fills the Windows resource).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zt30 {

// The key of the version resource's string table: language Czech (0405), code page 1250 (04E2).
inline constexpr std::string_view kVersionStringTable = "040504E2";

// The program's version text, "2.0.0.0" for this release: on Windows the FileVersion value of the running
// program file's version resource, nullopt when the file has no such resource or value; elsewhere the
// built-in version.
std::optional<std::string> ProgramVersion();

#ifdef _WIN32
// The full path of the running program file; empty when the system cannot give it.
std::wstring RunningProgramFile();

// One value ("FileVersion", "ProductName", ...) of string table 040504E2 of a file's version resource, as
// UTF-8; nullopt when the file is missing, has no version resource or the table has no such value.
std::optional<std::string> VersionResourceString(const std::wstring& file, std::string_view name);

// The fixed file version of a file's version resource, most significant number first; nullopt when the file
// has no version resource.
std::optional<std::array<std::uint16_t, 4>> VersionResourceFileVersion(const std::wstring& file);
#endif

}  // namespace zt30

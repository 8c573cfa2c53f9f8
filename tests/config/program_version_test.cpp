// The program's version text. On Windows also the version resource it comes from: this test program carries
// the resource the build generates for every program file, and a probe program built without one shows that
// the text is read from the running file, not built in.
#include "config/program_version.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include "support/windows_program.h"
#endif

namespace zt30 {
namespace {

TEST(ProgramVersion, IsTheReleaseVersion) {
    EXPECT_EQ(ProgramVersion(), "2.0.0.0");
}

#ifdef _WIN32

std::string Ascii(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::wstring ProbeFile() {
    const std::string path = test::WindowsPathOf(ZT30_VERSION_PROBE);
    return std::wstring(path.begin(), path.end());
}

TEST(VersionResource, HoldsTheValuesOfThisProgramFile) {
    const std::wstring file = RunningProgramFile();
    ASSERT_FALSE(file.empty());
    const std::string fileName = Ascii(file.substr(file.find_last_of(L"\\/") + 1));
    const std::string baseName = fileName.substr(0, fileName.rfind('.'));
    const std::pair<const char*, std::string> expected[] = {
        {"FileVersion", "2.0.0.0"}, {"ProductVersion", "2.0.0.0"},      {"ProductName", "ZT-30"},
        {"CompanyName", "ORVIT"},   {"FileDescription", "ZT-30 tests"}, {"OriginalFilename", fileName},
        {"InternalName", baseName},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(VersionResourceString(file, name), value) << name;
    }
    EXPECT_EQ(VersionResourceString(file, "PrivateBuild"), std::nullopt);
    EXPECT_EQ(VersionResourceFileVersion(file), (std::array<std::uint16_t, 4>{2, 0, 0, 0}));
}

TEST(VersionResource, IsAbsentFromAFileWithoutOne) {
    const std::wstring probe = ProbeFile();
    EXPECT_EQ(VersionResourceString(probe, "FileVersion"), std::nullopt);
    EXPECT_EQ(VersionResourceFileVersion(probe), std::nullopt);
    const std::wstring missing = probe + L".missing";
    EXPECT_EQ(VersionResourceString(missing, "FileVersion"), std::nullopt);
    EXPECT_EQ(VersionResourceFileVersion(missing), std::nullopt);
}

TEST(ProgramVersion, ComesFromTheRunningProgramFile) {
    const test::ProgramOutput run = test::RunWindowsProgram(ZT30_VERSION_PROBE, {});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.out, "none\n");
}

#endif

}  // namespace
}  // namespace zt30

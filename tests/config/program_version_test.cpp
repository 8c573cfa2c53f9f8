// The program's version text. On Windows also the version resource it comes from: this test program carries
// the resource the build generates for every program file, and a probe program built without one shows that
// the text is read from the running file, not built in.
#include "config/program_version.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

#include <string>

namespace zt30 {
namespace {

TEST(ProgramVersion, IsTheReleaseVersion) {
    EXPECT_EQ(ProgramVersion(), "2.0.0.0");
}

#ifdef _WIN32

std::string Ascii(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// A path of the build as Windows sees it: under Wine a Linux path is on drive Z:.
std::wstring WindowsPath(std::string path) {
    if (!path.empty() && path.front() == '/') {
        path.insert(0, "Z:");
    }
    std::wstring wide(path.begin(), path.end());
    for (wchar_t& c : wide) {
        c = c == L'/' ? L'\\' : c;
    }
    return wide;
}

// Runs a program and returns its standard output, or "(failed)" when it cannot be run to its end.
std::string OutputOf(const std::wstring& program) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (CreatePipe(&readEnd, &writeEnd, &inherit, 0) == 0) {
        return "(failed)";
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &info);
    CloseHandle(writeEnd);
    std::string output = started ? "" : "(failed)";
    char buffer[256];
    DWORD got = 0;
    while (started && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) != 0 && got > 0) {
        output.append(buffer, got);
    }
    CloseHandle(readEnd);
    if (started) {
        if (WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0) {
            TerminateProcess(info.hProcess, 1);
            output = "(failed)";
        }
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    return output;
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
    const std::wstring probe = WindowsPath(ZT30_VERSION_PROBE);
    EXPECT_EQ(VersionResourceString(probe, "FileVersion"), std::nullopt);
    EXPECT_EQ(VersionResourceFileVersion(probe), std::nullopt);
    const std::wstring missing = probe + L".missing";
    EXPECT_EQ(VersionResourceString(missing, "FileVersion"), std::nullopt);
    EXPECT_EQ(VersionResourceFileVersion(missing), std::nullopt);
}

TEST(ProgramVersion, ComesFromTheRunningProgramFile) {
    EXPECT_EQ(OutputOf(WindowsPath(ZT30_VERSION_PROBE)), "none\r\n");
}

#endif

}  // namespace
}  // namespace zt30

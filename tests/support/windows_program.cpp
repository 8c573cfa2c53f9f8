#include "support/windows_program.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <fstream>
#include <sstream>

namespace zt30::test {
namespace {

HANDLE InheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The file's text with CR LF turned into LF; the file is removed.
std::string TakeText(const std::string& path) {
    std::string text;
    {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        text = content.str();
    }
    DeleteFileA(path.c_str());
    std::string lf;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lf += text[i];
        }
    }
    return lf;
}

}  // namespace

std::string WindowsPathOf(std::string path) {
    if (!path.empty() && path.front() == '/') {
        path.insert(0, "Z:");
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

ProgramOutput RunWindowsProgram(const std::string& program, const std::vector<std::string>& args) {
    static int runs = 0;
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(sizeof folder, folder);
    const std::string base = std::string(folder) + "zt30-run-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++runs);
    const std::string outPath = base + ".out";
    const std::string errPath = base + ".err";
    HANDLE out = InheritableFile(outPath);
    HANDLE err = InheritableFile(errPath);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    const std::string path = WindowsPathOf(program);
    std::string commandLine = "\"" + path + "\"";
    for (const std::string& arg : args) {
        commandLine.append(" ").append(arg);
    }
    PROCESS_INFORMATION info{};
    const bool started = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                         CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info) != 0;
    for (HANDLE handle : {out, err}) {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    ProgramOutput result;
    if (started) {
        DWORD code = 0;
        if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(info.hProcess, &code) != 0) {
            result.exitCode = code;
        } else {
            TerminateProcess(info.hProcess, 1);
            WaitForSingleObject(info.hProcess, 5000);
        }
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    result.out = TakeText(outPath);
    result.err = TakeText(errPath);
    return result;
}

}  // namespace zt30::test

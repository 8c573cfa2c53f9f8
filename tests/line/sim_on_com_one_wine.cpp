// The Linux simulator started from a Windows program under Wine. Wine starts a Linux program through
// CreateProcess but gives no handle to it, so the shell records the simulator's process id and output in
// files of a folder of its own, the test reads them through drive Z: (the Linux root), and ends the simulator
// with kill. The simulator places its terminal at the fixed link that the prefix maps to COM1
// (scripts/under-wine), and removes the link when it exits. The link is not named "com1": Windows takes a
// file of that name in any folder for the device COM1 itself.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "line/sim_on_com_one.h"
#include "support/windows_program.h"

namespace zt30::test {
namespace {

using namespace std::chrono_literals;

bool Exists(const std::string& linuxPath) {
    return GetFileAttributesA(WindowsPathOf(linuxPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadText(const std::string& linuxPath) {
    std::ifstream file(WindowsPathOf(linuxPath), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A shell word: single quotes around it, each single quote inside written as '\''.
std::string Quoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Starts a Linux command line through /bin/sh; Wine returns no handle, so nothing can be waited for.
bool StartShell(const std::string& script) {
    // Wine splits the command line by the Windows rules: the script is one double-quoted argument, and it
    // contains no double quote of its own.
    std::string commandLine = "/bin/sh -c \"" + script + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info) == 0) {
        return false;
    }
    for (HANDLE handle : {info.hProcess, info.hThread}) {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    return true;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

}  // namespace

struct SimOnComOne::Process {
    std::string folder;  // Linux path of this simulator's own folder: pid, out, log
    std::string link;    // the fixed link the prefix maps to COM1
    std::string pid;
    bool started = false;
};

SimOnComOne::SimOnComOne(std::vector<std::string> args) : process_(std::make_unique<Process>()) {
    static std::atomic<int> counter{0};
    const std::string wineDir = ZT30_WINE_DIR;
    Process& p = *process_;
    p.folder = wineDir + "/sim-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    p.link = wineDir + "/sim-port";
    if (CreateDirectoryA(WindowsPathOf(p.folder).c_str(), nullptr) == 0) {
        return;
    }
    std::string command = "exec " + Quoted(ZT30_SIM_PATH) + " --link " + Quoted(p.link) + " -v";
    for (const std::string& arg : args) {
        command.append(" ").append(Quoted(arg));
    }
    const std::string script = "echo $$ >" + Quoted(p.folder + "/pid") + "; " + command + " </dev/null >" +
                               Quoted(p.folder + "/out") + " 2>" + Quoted(p.folder + "/log");
    if (!StartShell(script)) {
        return;
    }
    // The simulator places the link before it prints its terminal's path.
    p.started =
        WaitUntil([&] { return ReadText(p.folder + "/out").find('\n') != std::string::npos; }, 5000ms);
    std::istringstream(ReadText(p.folder + "/pid")) >> p.pid;
}

SimOnComOne::~SimOnComOne() {
    Process& p = *process_;
    if (!p.pid.empty()) {
        // The simulator hangs up before it removes its link, and Windows calls see a link to a terminal that
        // is gone as no file at all: only the shell can tell when the link itself has gone, and the next
        // simulator may only then place its own.
        const std::string link = Quoted(p.link);
        const std::string stopped = Quoted(p.folder + "/stopped");
        StartShell("kill -TERM " + p.pid + " 2>/dev/null; i=0; while [ -L " + link +
                   " ] && [ $i -lt 150 ]; do " + "sleep 0.02; i=$((i+1)); done; if [ -L " + link +
                   " ]; then kill -KILL " + p.pid + " 2>/dev/null; rm -f " + link + "; fi; : >" + stopped);
        WaitUntil([&] { return Exists(p.folder + "/stopped"); }, 10000ms);
    }
    for (const char* name : {"/pid", "/out", "/log", "/stopped"}) {
        DeleteFileA(WindowsPathOf(p.folder + name).c_str());
    }
    RemoveDirectoryA(WindowsPathOf(p.folder).c_str());
}

bool SimOnComOne::Started() const {
    return process_->started;
}

PortDeviceLookup SimOnComOne::Lookup() const {
    return AbsentPorts();
}

std::string SimOnComOne::Log() const {
    return ReadText(process_->folder + "/log");
}

PortDeviceLookup SimOnComOne::AbsentPorts() {
    return {};
}

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace zt30::test

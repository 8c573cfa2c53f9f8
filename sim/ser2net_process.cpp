#include "sim/ser2net_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

extern char** environ;

namespace zt30::test {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    return a;
}

}  // namespace

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

std::string Ser2netBinary() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

bool AcceptsConnections(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = Loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

Ser2netProcess::Ser2netProcess(const std::string& device) : telnetPort(FreePort()), rawPort(FreePort()) {
    char folder[] = "/tmp/zt30-ser2net-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        return;
    }
    dir_ = folder;
    const std::string config = dir_ + "/ser2net.yaml";
    std::ofstream(config) << "connection: &telnet\n"
                          << "    accepter: telnet(rfc2217),tcp,127.0.0.1," << telnetPort << "\n"
                          << "    connector: serialdev," << device << ",9600e81,local\n"
                          << "connection: &raw\n"
                          << "    accepter: tcp,127.0.0.1," << rawPort << "\n"
                          << "    connector: serialdev," << device << ",9600e81,local\n";
    // In the foreground, without UUCP lock files, its process id in the folder too.
    std::vector<std::string> args{Ser2netBinary(), "-n", "-u", "-c", config, "-P", dir_ + "/ser2net.pid"};
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (args[0].empty() ||
        ::posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    const auto start = std::chrono::steady_clock::now();
    while (pid_ > 0 && !AcceptsConnections(rawPort)) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) {
            Stop(SIGKILL);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

Ser2netProcess::~Ser2netProcess() {
    Stop(SIGTERM);
    if (!dir_.empty()) {
        std::filesystem::remove_all(dir_);
    }
}

void Ser2netProcess::Stop(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

std::string Ser2netProcess::Address(bool telnet) const {
    return (telnet ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") +
           std::to_string(telnet ? telnetPort : rawPort);
}

}  // namespace zt30::test
